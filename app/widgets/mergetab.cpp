#include "app/widgets/mergetab.h"

#include "app/models/generateditemsmodel.h"
#include "app/widgets/listtable.h"
#include "app/widgets/templateeditor.h"
#include "core/document.h"
#include "merge/mergetable.h"
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

MergeTab::MergeTab(Document* doc, QWidget* parent) : QWidget(parent), m_doc(doc)
{
    m_model = new GeneratedItemsModel(doc, this);
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
    m_perRecordText = new TemplateEditor(doc, TemplateKey::Text, tr("&Text of each file:"), true);
    m_pages->addWidget(m_perRecordText);
    auto* allInOne = new QWidget(m_pages);
    auto* allInOneLayout = new QVBoxLayout(allInOne);
    allInOneLayout->setContentsMargins(0, 0, 0, 0);
    m_allInOne = {
        new TemplateEditor(doc, TemplateKey::Head, tr("&Head:"), false, allInOne),
        new TemplateEditor(doc, TemplateKey::Text, tr("Te&xt of each record:"), true, allInOne),
        new TemplateEditor(doc, TemplateKey::Separator, tr("&Separator:"), true, allInOne),
        new TemplateEditor(doc, TemplateKey::Foot, tr("&Foot:"), false, allInOne)};
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
                const std::optional<GeneratedItem> item = m_model->itemAt(current.row());
                m_doc->setMergeSelectedItem(item);
                MergeTable::mergeTableSelectionDidChange(*m_doc, item);
                showExample();
                showSelectedPrototype();
            });
    // A rebuilt list keeps the chosen item when it is still there.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        const int row = m_model->rowOf(m_doc->mergeSelectedItem());
        if (row >= 0)
            m_items->setCurrentIndex(m_model->index(row, GeneratedItemsModel::PathColumn));
        showExample();
        showSelectedPrototype();
    });
    connect(m_fullPath, &QCheckBox::toggled, this, [this](bool on) {
        if (m_doc->mergeNameOfFileExampleUsesFullPath != on)
            ExampleName::mergeNameOfFileExampleUsesFullPathSwitch(*m_doc);
        showExample();
    });
    const auto rebuildMenus = [this] {
        m_perRecordText->rebuildTagMenu();
        for (TemplateEditor* editor : m_allInOne)
            editor->rebuildTagMenu();
    };
    connect(doc, &Document::keysReset, this, rebuildMenus);
    connect(doc, &Document::keyInserted, this, rebuildMenus);
    connect(doc, &Document::keyRemoved, this, rebuildMenus);
    connect(doc, &Document::keyRenamed, this, rebuildMenus);
    showSelectedPrototype();
}

void MergeTab::showExample()
{
    m_example->setText(m_doc->mergeNameOfFileExample.value_or(QString()));
}

void MergeTab::showSelectedPrototype()
{
    const PrototypePtr proto = m_doc->mergeSelectedPrototype();
    if (!proto || m_doc->indexOfPrototype(proto) < 0) {
        m_noContent->setText(tr("Choose a file to edit what it contains."));
        m_pages->setCurrentIndex(NoContentPage);
        return;
    }
    if (proto->isFolder) {
        m_noContent->setText(tr("A folder has no contents."));
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
