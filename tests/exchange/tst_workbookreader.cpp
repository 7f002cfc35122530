// Workbooks read as import rows: what each cell shows, sheets by name and number, and the
// workbooks that must be refused. The workbooks are written by openpyxl and odfpy
// (tests/data/exchange/workbooks/make_workbooks.py) or patched by hand there.
#include "casefile.h"
#include "exchange/celltext.h"
#include "exchange/workbookreader.h"

using namespace quillory;

namespace {

QString workbook(const QString& name)
{
    return test::testDataPath(QStringLiteral("exchange/workbooks/") + name);
}

} // namespace

class WorkbookReaderTest : public QObject
{
    Q_OBJECT

private slots:
    // Rows [name, file, sheet by name or number, its rows as lines of tab-separated fields, or
    // null when there is no such sheet, or what the refusal of the workbook says].
    void sheetsShowWhatTheSpreadsheetShows_data() { addCaseRows(QStringLiteral("workbooks.json")); }
    void sheetsShowWhatTheSpreadsheetShows()
    {
        QFETCH(QJsonArray, row);
        const QString file = row[1].toString();
        QVERIFY(WorkbookReader::looksLikeWorkbookFile(workbook(file)));
        Result<WorkbookReader> reader = WorkbookReader::openFile(workbook(file), file);
        QString message = reader.message();
        if (reader) {
            const std::optional<int> index = reader->findSheet(row[2].toString());
            QCOMPARE(index.has_value(), !row[3].isNull());
            if (!index)
                return;
            const Result<ImportRows> rows = reader.value().readSheet(*index);
            if (row[3].isArray()) {
                QVERIFY2(rows, qPrintable(rows.message()));
                QStringList lines;
                for (qsizetype r = 0; r < rows->rowCount(); ++r)
                    lines.append(rows->elements(r).join(u'\t'));
                QCOMPARE(lines.join(u'\n'), texts(row[3]).join(u'\n'));
                return;
            }
            QVERIFY(!rows);
            message = rows.message();
        }
        QVERIFY2(message.startsWith("cannot import " + file + ": "), qPrintable(message));
        QVERIFY2(message.contains(row[3].toString()), qPrintable(message));
    }

    void sheetsAreListedInOrder()
    {
        for (const QString& file : {QStringLiteral("people.xlsx"), QStringLiteral("people.ods")}) {
            Result<WorkbookReader> reader = WorkbookReader::openFile(workbook(file), file);
            QVERIFY(reader);
            QCOMPARE(reader->kind(), file.endsWith(u"xlsx") ? WorkbookReader::Kind::Xlsx
                                                            : WorkbookReader::Kind::Ods);
            QCOMPARE(reader->sheetNames(), QStringList({"Clients", "Empty", "Second"}));
        }
    }

    // Rows [name, number, null and the number's shortest exact form, or a number format and
    // the date the number shows in it (ISO 8601 where the format cannot be followed), or a
    // format and whether it is one of dates].
    void cellTexts_data() { addCaseRows(QStringLiteral("celltexts.json")); }
    void cellTexts()
    {
        QFETCH(QJsonArray, row);
        const double number = row[1].toDouble();
        const QString format = row[2].toString();
        if (row[2].isNull()) {
            QCOMPARE(CellText::number(number), row[3].toString());
        } else if (row[3].isBool()) {
            QCOMPARE(CellText::isDateFormat(format), row[3].toBool());
        } else {
            const auto when = CellText::fromSerial(number, false);
            QVERIFY(when);
            QCOMPARE(CellText::dateTime(*when, format), row[3].toString());
            QVERIFY(format.isEmpty() || CellText::isDateFormat(format));
        }
    }
};

QTEST_GUILESS_MAIN(WorkbookReaderTest)
#include "tst_workbookreader.moc"
