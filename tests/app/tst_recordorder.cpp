#include "app/document/documentwindow.h"
#include "app/shell/application.h"
#include "app/widgets/databasetab.h"
#include "core/document.h"
#include "support/documentbuilder.h"
#include "windowtest.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

using namespace quillory;

namespace {

// The texts of a column of the table, top to bottom, as shown.
QStringList shownColumn(QTableView* table, int column)
{
    QStringList texts;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        texts << table->model()->index(row, column).data().toString();
    return texts;
}

void clickHeader(QTableView* table, int column)
{
    QHeaderView* header = table->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
}

} // namespace

// The database table's order and search, as a person uses them: a click on a column's header
// sorts numbers by value and texts in natural order; the search sets case and accents aside.
class RecordOrderTest : public QObject, private WindowTestBase
{
    Q_OBJECT
private slots:
    void init() { startApplication(); }
    void cleanup() { stopApplication(); }

    void headersSortNaturallyAndRenumberFollows()
    {
        DocumentWindow* w = m_app->newDocument();
        Document& doc = w->document();
        test::addFields(doc, {"Name", "Class"});
        const QList<std::pair<qint64, QStringList>> rows = {
            {26, {"Ann", "C10"}},    {-5, {"Amélie", "C2"}}, {28, {"Eve", "C1"}},
            {100, {"Élodie", "c2"}}, {10, {"Dan", "C2b"}},   {-12, {"Zoé", "C3"}}};
        for (const auto& [counter, values] : rows)
            test::addRecord(doc, counter, values);
        QTableView* table = w->databaseTab()->recordTable();

        clickHeader(table, 0);
        QCOMPARE(shownColumn(table, 0), QStringList({"-12", "-05", "010", "026", "028", "100"}));
        menuItem(w, "Records", "Renumber")->trigger();
        QCOMPARE(shownColumn(table, 2),
                 QStringList({"Zoé", "Amélie", "Dan", "Ann", "Eve", "Élodie"}));
        QStringList renumbered;
        for (qint64 n = 1; n <= 6; ++n)
            renumbered << doc.counterText(n);
        QCOMPARE(shownColumn(table, 0), renumbered);

        clickHeader(table, 3);
        QCOMPARE(shownColumn(table, 3), QStringList({"C1", "C2", "c2", "C2b", "C3", "C10"}));
        clickHeader(table, 2);
        QCOMPARE(shownColumn(table, 2),
                 QStringList({"Amélie", "Ann", "Dan", "Élodie", "Eve", "Zoé"}));

        QTest::keyClicks(w->databaseTab()->searchField(), "amelie");
        QCOMPARE(shownColumn(table, 2), QStringList({"Amélie"}));
    }
};

QUILLORY_WINDOW_TEST_MAIN(RecordOrderTest)

#include "tst_recordorder.moc"
