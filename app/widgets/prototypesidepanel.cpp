#include "app/widgets/prototypesidepanel.h"

#include "app/models/prototypelistmodel.h"
#include "app/models/recordtablemodel.h"
#include "app/widgets/listtable.h"
#include "core/document.h"
#include "prototypes/examplename.h"
#include "prototypes/taginsertion.h"
#include "templates/tagsubstitution.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillory {

namespace {

QToolButton* textButton(const QString& text, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    return button;
}

} // namespace

PrototypeSidePanel::PrototypeSidePanel(Document* doc, PrototypeSide side, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_side(side)
{
    const bool perRecord = side == PrototypeSide::OnePerRecord;
    m_model = new PrototypeListModel(doc, side, this);
    m_table = makeListTable(m_model, this);
    for (int column : {PrototypeListModel::KindColumn, PrototypeListModel::FolderColumn})
        m_table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);

    m_add = textButton(tr("Add"), this);
    m_remove = textButton(tr("Remove"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch();

    m_name = new QLineEdit(this);
    m_tags = new QToolButton(this);
    m_tags->setText(tr("Insert Tag"));
    m_tags->setPopupMode(QToolButton::InstantPopup);
    m_tags->setMenu(new QMenu(m_tags));
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(m_tags);

    m_example = new QLabel(this);
    m_example->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_fullPath = new QCheckBox(tr("Show full path"), this);
    auto* exampleRow = new QHBoxLayout;
    exampleRow->addWidget(m_example, 1);
    exampleRow->addWidget(m_fullPath);

    auto* form = new QFormLayout;
    auto* nameLabel = new QLabel(tr("&Name:"), this);
    nameLabel->setBuddy(m_name);
    form->addRow(nameLabel, nameRow);
    form->addRow(tr("Example:"), exampleRow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    layout->addLayout(form);
    if (perRecord) {
        m_recordModel = new RecordTableModel(doc, RecordTableModel::Kind::AllRecords, this);
        m_records = makeListTable(m_recordModel, this);
        m_records->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        m_records->setSortingEnabled(true);
        layout->addWidget(new QLabel(tr("Example record:"), this));
        layout->addWidget(m_records, 1);
        connect(m_records->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex& current) {
                    PrototypeCommands::selectDestinationRecord(
                        *m_doc, m_recordModel->recordAt(current.row()));
                    showExample();
                });
    }

    connect(m_add, &QToolButton::clicked, this, [this] {
        PrototypeCommands::add(*m_doc, m_side);
        showSelection();
    });
    connect(m_remove, &QToolButton::clicked, this, [this] {
        PrototypeCommands::removeSelected(*m_doc, m_side);
        showSelection();
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                const PrototypePtr proto = m_model->prototypeAt(current.row());
                if (proto != PrototypeCommands::selected(*m_doc, m_side))
                    PrototypeCommands::select(*m_doc, m_side, proto);
                showSelection();
            });
    connect(m_model, &QAbstractItemModel::modelReset, this, &PrototypeSidePanel::showSelection);
    connect(doc, &Document::prototypeSelectionChanged, this, &PrototypeSidePanel::showSelection);
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
        PrototypeCommands::nameTextDidChange(*m_doc, m_side, text);
        showExample();
    });
    connect(m_fullPath, &QCheckBox::toggled, this, [this, perRecord](bool on) {
        const bool current = perRecord ? m_doc->multiNameOfFileExampleUsesFullPath
                                       : m_doc->oneNameOfFileExampleUsesFullPath;
        if (current == on)
            return;
        if (perRecord)
            ExampleName::multiNameOfFileExampleUsesFullPathSwitch(*m_doc);
        else
            ExampleName::oneNameOfFileExampleUsesFullPathSwitch(*m_doc);
        showExample();
    });
    connect(m_tags->menu(), &QMenu::triggered, this,
            [this](QAction* action) { insertTag(action->text()); });
    if (perRecord) {
        connect(doc, &Document::keysReset, this, &PrototypeSidePanel::rebuildTagMenu);
        connect(doc, &Document::keyInserted, this, &PrototypeSidePanel::rebuildTagMenu);
        connect(doc, &Document::keyRemoved, this, &PrototypeSidePanel::rebuildTagMenu);
        connect(doc, &Document::keyRenamed, this, &PrototypeSidePanel::rebuildTagMenu);
    }
    rebuildTagMenu();
    showSelection();
}

void PrototypeSidePanel::rebuildTagMenu()
{
    QMenu* menu = m_tags->menu();
    menu->clear();
    // An All in One name understands only the date and time tags; a One per Record name also
    // takes the counter and the field tags.
    for (const QString& tag : TagSubstitution::standardTags())
        menu->addAction(tag);
    if (m_side != PrototypeSide::OnePerRecord)
        return;
    menu->addSeparator();
    menu->addAction(QStringLiteral("<#>"));
    for (const TagMenuItem& item : m_doc->tagPopUpItems(TagPopUp::MultiName))
        menu->addAction(item.title);
}

void PrototypeSidePanel::insertTag(const QString& tag)
{
    if (!PrototypeCommands::selected(*m_doc, m_side))
        return;
    EditorState editor{m_name->text(), m_name->cursorPosition(), 0};
    if (m_name->hasSelectedText()) {
        editor.selectionStart = m_name->selectionStart();
        editor.selectionLength = m_name->selectionLength();
    }
    const std::optional<EditorState> result =
        TagInsertion::insertIntoName(*m_doc, m_side, editor, tag);
    if (!result)
        return;
    m_name->setText(result->text);
    m_name->setCursorPosition(int(result->selectionStart));
    m_name->setFocus();
    showExample();
}

void PrototypeSidePanel::showSelection()
{
    const PrototypePtr proto = PrototypeCommands::selected(*m_doc, m_side);
    const int row = m_model->rowOf(proto);
    if (row >= 0 && m_table->currentIndex().row() != row)
        m_table->setCurrentIndex(m_model->index(row, PrototypeListModel::PathColumn));
    m_name->setEnabled(row >= 0);
    refreshFocusFlag();
    m_remove->setEnabled(row >= 0);
    if (m_name->text() != (proto ? proto->path : QString()))
        m_name->setText(proto ? proto->path : QString());
    showExample();
    emit selectionChanged();
}

void PrototypeSidePanel::refreshFocusFlag()
{
    const bool editing = PrototypeCommands::selected(*m_doc, m_side) &&
                         (m_name->hasFocus() || m_tags->menu()->isVisible());
    m_tags->setEnabled(editing);
}

void PrototypeSidePanel::showExample()
{
    const std::optional<QString>& example = m_side == PrototypeSide::OnePerRecord
                                                ? m_doc->multiNameOfFileExample
                                                : m_doc->oneNameOfFileExample;
    m_example->setText(example.value_or(QString()));
}

} // namespace quillory
