#include "app/widgets/databasetab.h"

#include "app/document/documentactions.h"
#include "app/models/fieldkeymodel.h"
#include "app/models/recordtablemodel.h"
#include "app/widgets/listtable.h"
#include "core/document.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <initializer_list>

namespace quillory {

namespace {

QWidget* buttonRow(std::initializer_list<QAction*> actions, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QAction* action : actions) {
        auto* button = new QToolButton(row);
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        layout->addWidget(button);
    }
    layout->addStretch();
    return row;
}

} // namespace

DatabaseTab::DatabaseTab(Document* doc, const DocumentActions& actions, QWidget* parent)
    : QWidget(parent), m_doc(doc)
{
    m_keyModel = new FieldKeyModel(doc, this);
    m_recordModel = new RecordTableModel(doc, RecordTableModel::Kind::Database, this);

    auto* keyPane = new QWidget(this);
    auto* keyLayout = new QVBoxLayout(keyPane);
    keyLayout->setContentsMargins(0, 0, 0, 0);
    m_keyTable = makeListTable(m_keyModel, keyPane, true);
    m_keyTable->setEditTriggers(QAbstractItemView::DoubleClicked |
                                QAbstractItemView::EditKeyPressed);
    keyLayout->addWidget(m_keyTable);
    keyLayout->addWidget(buttonRow({actions.addField, actions.deleteField}, keyPane));

    auto* recordPane = new QWidget(this);
    auto* recordLayout = new QVBoxLayout(recordPane);
    recordLayout->setContentsMargins(0, 0, 0, 0);
    m_search = new QLineEdit(recordPane);
    m_search->setPlaceholderText(tr("Search"));
    m_search->setClearButtonEnabled(true);
    recordLayout->addWidget(m_search);
    m_recordTable = makeListTable(m_recordModel, recordPane, true);
    // Nothing is sorted until the user clicks a header: the stored order is the run's order.
    m_recordTable->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_recordTable->setSortingEnabled(true);
    m_recordTable->setEditTriggers(QAbstractItemView::DoubleClicked |
                                   QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::AnyKeyPressed);
    recordLayout->addWidget(m_recordTable);
    recordLayout->addWidget(
        buttonRow({actions.addRecord, actions.deleteRecord, actions.checkAll, actions.uncheckAll,
                   actions.invertChecks, actions.deleteChecked, actions.renumber},
                  recordPane));

    auto* splitter = new QSplitter(this);
    splitter->addWidget(keyPane);
    splitter->addWidget(recordPane);
    splitter->setStretchFactor(1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    setTabOrder(m_keyTable, m_search);
    setTabOrder(m_search, m_recordTable);

    connect(m_search, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_doc->setSearchText(text); });
    // Adding a record or importing clears the search: the field shows it.
    connect(doc, &Document::arrangementChanged, this, [this] {
        const QString text = m_doc->searchText().value_or(QString());
        if (m_search->text() != text) {
            const QSignalBlocker block(m_search);
            m_search->setText(text);
        }
    });
    connect(m_keyTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                m_doc->setSelectedKeyIndex(current.isValid() ? current.row() : -1);
                emit selectionChanged();
            });
    // The models reset on list changes, which drops the view's selection: follow it.
    const auto recordSelection = [this] {
        const QModelIndex current = m_recordTable->selectionModel()->currentIndex();
        m_doc->setSelectedRecord(current.isValid() ? m_recordModel->recordAt(current.row())
                                                   : nullptr);
        emit selectionChanged();
    };
    connect(m_recordTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            recordSelection);
    connect(m_recordModel, &QAbstractItemModel::modelReset, this, recordSelection);
    connect(m_keyModel, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first) {
                m_keyTable->setCurrentIndex(m_keyModel->index(first, 0));
            });
}

void DatabaseTab::selectRecord(int row)
{
    const QModelIndex index = m_recordModel->index(row, kFirstUserKeyIndex);
    m_recordTable->setCurrentIndex(index);
    m_recordTable->scrollTo(index);
}

} // namespace quillory
