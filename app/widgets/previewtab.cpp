#include "app/widgets/previewtab.h"

#include "app/document/windowstate.h"
#include "app/models/generateditemsmodel.h"
#include "app/models/recordtablemodel.h"
#include "app/widgets/listtable.h"
#include "app/widgets/scrollfollower.h"
#include "core/document.h"
#include "merge/preview.h"
#include "prototypes/unknowntags.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillory {

PreviewTab::PreviewTab(const Document* doc, WindowState* state, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_state(state)
{
    m_itemModel = new GeneratedItemsModel(state, this);
    m_recordModel =
        new RecordTableModel(doc, state, RecordTableModel::Kind::AllRecords, nullptr, this);
    m_items = makeListTable(m_itemModel, this);
    m_records = makeListTable(m_recordModel, this);
    m_items->horizontalHeader()->setSectionResizeMode(GeneratedItemsModel::FolderColumn,
                                                      QHeaderView::ResizeToContents);
    m_records->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_records->setSortingEnabled(true);
    // The two tables sit side by side: the records follow the items' scrolling.
    new ScrollFollower(m_records, m_items, this);

    m_name = new QLabel(this);
    m_name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_fullPath = new QCheckBox(tr("Show full path"), this);
    m_content = new QPlainTextEdit(this);
    m_content->setReadOnly(true);
    m_keptTags = new QLabel(this);
    m_keptTags->setTextFormat(Qt::PlainText);
    m_keptTags->setWordWrap(true);
    QPalette warning = m_keptTags->palette();
    warning.setColor(QPalette::WindowText, QColor(0xb0, 0x1c, 0x1c));
    m_keptTags->setPalette(warning);
    m_keptTags->hide();
    m_previous = new QToolButton(this);
    m_previous->setArrowType(Qt::LeftArrow);
    m_previous->setToolTip(tr("Previous Record"));
    m_previous->setAccessibleName(tr("Previous Record"));
    m_next = new QToolButton(this);
    m_next->setArrowType(Qt::RightArrow);
    m_next->setToolTip(tr("Next Record"));
    m_next->setAccessibleName(tr("Next Record"));
    m_position = new QLabel(this);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_previous);
    nameRow->addWidget(m_position);
    nameRow->addWidget(m_next);
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(m_fullPath);

    auto* tables = new QSplitter(this);
    tables->addWidget(m_items);
    tables->addWidget(m_records);
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addLayout(nameRow);
    rightLayout->addWidget(m_keptTags);
    rightLayout->addWidget(m_content, 1);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(tables);
    splitter->addWidget(right);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);

    connect(m_items->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                // A reset drops the view's row; the chosen item stays while it is listed.
                if (!current.isValid())
                    return;
                m_state->selectPreviewItem(m_itemModel->itemAt(current.row()));
                showPreview();
            });
    connect(m_records->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!current.isValid())
                    return;
                m_state->setAllRecordsSelectedRecord(m_recordModel->recordAt(current.row()));
                showPreview();
            });
    connect(m_records->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &PreviewTab::showRecordPosition);
    connect(m_previous, &QToolButton::clicked, this, [this] { stepRecord(-1); });
    connect(m_next, &QToolButton::clicked, this, [this] { stepRecord(1); });
    // Adding and deleting change the count (sorting resets the model: showSelection).
    for (auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_recordModel, changed, this, &PreviewTab::showRecordPosition);
    connect(m_itemModel, &QAbstractItemModel::modelReset, this, &PreviewTab::showSelection);
    connect(m_recordModel, &QAbstractItemModel::modelReset, this, &PreviewTab::showSelection);
    connect(m_fullPath, &QCheckBox::toggled, this, [this](bool on) {
        m_state->setFullPath(WindowState::ShownPath::PreviewName, on);
        showPreview();
    });
    // Undo and redo change what the preview is made of; so do the counter preferences.
    connect(m_doc, &Document::edited, this, [this] {
        if (isVisible())
            showPreview();
    });
    connect(state, &WindowState::countersRestyled, this, [this] {
        if (isVisible())
            showPreview();
    });
}

void PreviewTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    showSelection();
}

void PreviewTab::showSelection()
{
    const int item = m_itemModel->rowOf(m_state->previewItem());
    if (item >= 0 && m_items->currentIndex().row() != item)
        m_items->setCurrentIndex(m_itemModel->index(item, GeneratedItemsModel::PathColumn));
    const int record = m_recordModel->rowOf(m_state->allRecordsSelectedRecord());
    if (record >= 0 && m_records->currentIndex().row() != record)
        m_records->setCurrentIndex(m_recordModel->index(record, 0));
    showRecordPosition();
    showPreview();
}

void PreviewTab::stepRecord(int step)
{
    const int current = m_records->currentIndex().row();
    const int row = current < 0 ? 0 : current + step;
    if (row >= 0 && row < m_recordModel->rowCount())
        m_records->setCurrentIndex(m_recordModel->index(row, 0));
}

void PreviewTab::showRecordPosition()
{
    const int count = m_recordModel->rowCount();
    const int current = m_records->currentIndex().row();
    if (current >= 0)
        m_position->setText(tr("%1 of %2").arg(current + 1).arg(count));
    else
        m_position->setText(count == 0   ? tr("No records")
                            : count == 1 ? tr("1 record")
                                         : tr("%1 records").arg(count));
    m_previous->setEnabled(current > 0);
    m_next->setEnabled(current + 1 < count);
}

void PreviewTab::showPreview()
{
    const std::optional<GeneratedItem>& item = m_state->previewItem();
    const Record record = m_state->allRecordsSelectedRecord();
    const std::optional<QString> name =
        Preview::name(*m_doc, item, record, m_state->fullPath(WindowState::ShownPath::PreviewName));
    m_name->setText(name.value_or(QString()));
    // A folder has no content; an item whose Prototype is gone shows none either.
    const std::optional<QString> content =
        item && !item->isFolder ? Preview::content(*m_doc, m_state->previewPrototype(), record)
                                : std::nullopt;
    const QString shown = content.value_or(QString());
    if (m_content->toPlainText() != shown)
        m_content->setPlainText(shown);
    // A misspelled tag would otherwise pass for text the user meant.
    const QStringList kept =
        item ? UnknownTags::inItem(*m_doc, *item, m_state->previewPrototype().get())
             : QStringList();
    m_keptTags->setText(
        tr("These tags match nothing here and stay as typed: %1").arg(kept.join(u", ")));
    m_keptTags->setVisible(!kept.isEmpty());
}

} // namespace quillory
