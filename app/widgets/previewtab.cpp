#include "app/widgets/previewtab.h"

#include "app/models/generateditemsmodel.h"
#include "app/models/recordtablemodel.h"
#include "app/widgets/listtable.h"
#include "app/widgets/scrollfollower.h"
#include "core/document.h"
#include "merge/preview.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace quillory {

PreviewTab::PreviewTab(Document* doc, QWidget* parent) : QWidget(parent), m_doc(doc)
{
    m_itemModel = new GeneratedItemsModel(doc, this);
    m_recordModel = new RecordTableModel(doc, RecordTableModel::Kind::AllRecords, this);
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
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(m_fullPath);

    auto* tables = new QSplitter(this);
    tables->addWidget(m_items);
    tables->addWidget(m_records);
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addLayout(nameRow);
    rightLayout->addWidget(m_content, 1);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(tables);
    splitter->addWidget(right);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);

    connect(m_items->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                const std::optional<GeneratedItem> item = m_itemModel->itemAt(current.row());
                m_doc->setPreviewSelectedItem(item);
                Preview::previewTableSelectionDidChange(*m_doc, item);
                showPreview();
            });
    connect(m_records->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                Preview::previewDataTableSelectionDidChange(*m_doc,
                                                            m_recordModel->recordAt(current.row()));
                showPreview();
            });
    connect(m_itemModel, &QAbstractItemModel::modelReset, this, [this] {
        const int row = m_itemModel->rowOf(m_doc->previewSelectedItem());
        if (row >= 0)
            m_items->setCurrentIndex(m_itemModel->index(row, GeneratedItemsModel::PathColumn));
        showPreview();
    });
    connect(m_fullPath, &QCheckBox::toggled, this, [this](bool on) {
        if (m_doc->previewNameOfFileUsesFullPath != on)
            Preview::previewNameOfFileUsesFullPathSwitch(*m_doc);
        showPreview();
    });
}

void PreviewTab::showPreview()
{
    m_name->setText(m_doc->previewNameOfFile.value_or(QString()));
    const QString content = m_doc->previewSelectedItem() && !m_doc->previewSelectedItem()->isFolder
                                ? m_doc->previewContentOfFile.value_or(QString())
                                : QString();
    if (m_content->toPlainText() != content)
        m_content->setPlainText(content);
}

} // namespace quillory
