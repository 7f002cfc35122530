#include "app/widgets/mergetab.h"

#include "app/document/windowstate.h"
#include "app/models/generateditemsmodel.h"
#include "app/widgets/listtable.h"
#include "app/widgets/templateeditor.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "prototypes/examplename.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace quillory {

namespace {

enum Page { NoContentPage, PerRecordPage, AllInOnePage };

} // namespace

MergeTab::MergeTab(UndoStack* stack, WindowState* state, QWidget* parent)
    : QWidget(parent), m_doc(&stack->document()), m_state(state)
{
    m_model = new GeneratedItemsModel(state, this);
    m_items = makeListTable(m_model, this);
    m_items->horizontalHeader()->setSectionResizeMode(GeneratedItemsModel::FolderColumn,
                                                      QHeaderView::ResizeToContents);

    m_example = new QLabel(this);
    m_example->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_fullPath = new QCheckBox(tr("Show full path"), this);
    auto* exampleRow = new QHBoxLayout;
    exampleRow->addWidget(m_example, 1);
    exampleRow->addWidget(m_fullPath);

    m_pages = new QStackedWidget(this);
    m_noContent = new QLabel(m_pages);
    m_noContent->setAlignment(Qt::AlignCenter);
    m_noContent->setEnabled(false);
    m_pages->addWidget(m_noContent);
    m_perRecordText =
        new TemplateEditor(stack, state, TemplateKey::Text, tr("&Text of each file:"), true);
    m_pages->addWidget(m_perRecordText);
    auto* allInOne = new QWidget(m_pages);
    auto* allInOneLayout = new QVBoxLayout(allInOne);
    allInOneLayout->setContentsMargins(0, 0, 0, 0);
    m_allInOne = {
        new TemplateEditor(stack, state, TemplateKey::Head, tr("He&ad:"), false, allInOne),
        new TemplateEditor(stack, state, TemplateKey::Text, tr("Te&xt of each record:"), true,
                           allInOne),
        new TemplateEditor(stack, state, TemplateKey::Separator, tr("&Separator:"), true, allInOne),
        new TemplateEditor(stack, state, TemplateKey::Foot, tr("F&oot:"), false, allInOne)};
    for (TemplateEditor* editor : m_allInOne)
        allInOneLayout->addWidget(editor);
    m_pages->addWidget(allInOne);

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addLayout(exampleRow);
    rightLayout->addWidget(m_pages, 1);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_items);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);

    connect(m_items->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                // A reset drops the view's row; the chosen item stays while it is listed.
                if (!current.isValid())
                    return;
                m_state->selectMergeItem(m_model->itemAt(current.row()));
                showExample();
                showSelectedPrototype();
            });
    connect(m_model, &QAbstractItemModel::modelReset, this, &MergeTab::showSelection);
    connect(m_fullPath, &QCheckBox::toggled, this, [this](bool on) {
        m_state->setFullPath(WindowState::ShownPath::MergeExample, on);
        showExample();
    });
    // Undo and redo change templates and the destination the example starts with.
    connect(m_doc, &Document::edited, this, [this] {
        showSelectedPrototype();
        showExample();
    });
    const auto rebuildMenus = [this] {
        m_perRecordText->rebuildTagMenu();
        for (TemplateEditor* editor : m_allInOne)
            editor->rebuildTagMenu();
    };
    connect(m_doc, &Document::keysReset, this, rebuildMenus);
    connect(m_doc, &Document::keyInserted, this, rebuildMenus);
    connect(m_doc, &Document::keyRemoved, this, rebuildMenus);
    connect(m_doc, &Document::keyRenamed, this, rebuildMenus);
    showSelection();
}

void MergeTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    showSelection();
}

void MergeTab::showSelection()
{
    const int row = m_model->rowOf(m_state->mergeItem());
    if (row >= 0 && m_items->currentIndex().row() != row)
        m_items->setCurrentIndex(m_model->index(row, GeneratedItemsModel::PathColumn));
    showExample();
    showSelectedPrototype();
}

void MergeTab::showExample()
{
    const std::optional<QString> example = ExampleName::ofItem(
        *m_doc, m_state->mergeItem(), m_state->fullPath(WindowState::ShownPath::MergeExample));
    m_example->setText(example.value_or(QString()));
}

void MergeTab::showSelectedPrototype()
{
    // A folder level of a file's path is a folder too, whatever its Prototype makes.
    const std::optional<GeneratedItem>& item = m_state->mergeItem();
    if (item && item->isFolder) {
        m_noContent->setText(tr("A folder has no contents."));
        m_pages->setCurrentIndex(NoContentPage);
        return;
    }
    const PrototypePtr proto = m_state->mergePrototype();
    if (!proto || m_doc->indexOfPrototype(proto) < 0) {
        m_noContent->setText(tr("Choose a file to edit what it contains."));
        m_pages->setCurrentIndex(NoContentPage);
        return;
    }
    if (proto->isMulti) {
        m_perRecordText->showText(proto->text);
        m_pages->setCurrentIndex(PerRecordPage);
        return;
    }
    const std::array<TemplateKey, 4> keys = {TemplateKey::Head, TemplateKey::Text,
                                             TemplateKey::Separator, TemplateKey::Foot};
    for (size_t i = 0; i < keys.size(); ++i)
        m_allInOne[i]->showText(templateText(*proto, keys[i]));
    m_pages->setCurrentIndex(AllInOnePage);
}

void MergeTab::refreshFocusFlags()
{
    m_perRecordText->refreshFocusFlag();
    for (TemplateEditor* editor : m_allInOne)
        editor->refreshFocusFlag();
}

} // namespace quillory
