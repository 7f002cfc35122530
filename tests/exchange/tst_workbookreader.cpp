// Workbooks read as import rows: what each cell shows, sheets by name and number, and the
// workbooks that must be refused. The workbooks are written by openpyxl and odfpy
// (tests/data/exchange/workbooks/make_workbooks.py) or patched by hand there.
#include "exchange/celltext.h"
#include "exchange/workbookreader.h"
#include "support/testdata.h"

#include <QtTest>

using namespace quillory;

namespace {

QString workbook(const QString& name)
{
    return test::testDataPath(QStringLiteral("exchange/workbooks/") + name);
}

// The rows as lines of tab-separated fields.
QString shown(const ImportRows& rows)
{
    QStringList lines;
    for (qsizetype r = 0; r < rows.rowCount(); ++r)
        lines.append(rows.elements(r).join(u'\t'));
    return lines.join(u'\n');
}

} // namespace

class WorkbookReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void sheetsShowWhatTheSpreadsheetShows_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("expected");
        // Inline texts (openpyxl writes no shared ones), dates by their number format (a
        // weekday pattern falls back to ISO 8601), merged cells, formatting far out.
        QTest::newRow("xlsx from openpyxl")
            << "people.xlsx"
            << "Clients"
            << "Name\tAmount\tBorn\tSince\tDay\tAt\tFlag\tCustom\n"
               "Zoë Ångström\t1.5\t05/03/1984\t2024-12-31\t5 Mar 2024\t09:05\tTRUE\t2024-03-05\n"
               "Élodie\t0.3\t02/01/2000\t1999-07-04\t9 Nov 2001\t23:59\tFALSE\t2020-02-29\n"
               "merged\t\t\t100000\t-2.5e-07\t1e+21";
        QTest::newRow("xlsx sheet by number") << "people.xlsx"
                                              << "3"
                                              << "Code\tLabel\n7\tseven";
        QTest::newRow("xlsx empty sheet") << "people.xlsx"
                                          << "Empty"
                                          << "";
        // Shared texts (rich runs, phonetic guides left out), saved formula results, an error,
        // a built-in date format in a workbook counting from 1904.
        QTest::newRow("xlsx formulas") << "formulas.xlsx"
                                       << "1"
                                       << "Item\tCafé & thé\t1904-01-01\n"
                                          "0.3333333333333333\tX\t#DIV/0!\n"
                                          " Total \t12.75\tTRUE";
        // Data styles, covered cells of a merge, repeated cells, a formula's value, and the
        // million empty rows spreadsheet programs write past the last.
        QTest::newRow("ods from odfpy")
            << "people.ods"
            << "Clients"
            << "Name\tAmount\tBorn\tAt\tFlag\tTotal\n"
               "Zoë Ångström\t1.5\t05/03/1984\t09:05\tTRUE\t3\n"
               "merged\t\t2024-03-05T10:30:00\t0.30000000000000004\tx\tx";
        QTest::newRow("ods empty sheet") << "people.ods"
                                         << "2"
                                         << "";
        QTest::newRow("ods last sheet") << "people.ods"
                                        << "Second"
                                        << "only";
    }
    void sheetsShowWhatTheSpreadsheetShows()
    {
        QFETCH(QString, file);
        QFETCH(QString, sheet);
        QFETCH(QString, expected);
        Result<WorkbookReader> reader = WorkbookReader::openFile(workbook(file), file);
        QVERIFY2(reader, qPrintable(reader.message()));
        const std::optional<int> index = reader->findSheet(sheet);
        QVERIFY(index);
        const Result<ImportRows> rows = reader.value().readSheet(*index);
        QVERIFY2(rows, qPrintable(rows.message()));
        QCOMPARE(shown(*rows), expected);
    }

    void sheetsAreListedAndFoundByNameOrNumber()
    {
        Result<WorkbookReader> xlsx = WorkbookReader::openFile(workbook("people.xlsx"), "x");
        QVERIFY(xlsx);
        QCOMPARE(xlsx->kind(), WorkbookReader::Kind::Xlsx);
        QCOMPARE(xlsx->sheetNames(), QStringList({"Clients", "Empty", "Second"}));
        QCOMPARE(xlsx->findSheet("Second"), std::optional<int>(2));
        QCOMPARE(xlsx->findSheet("0"), std::nullopt);
        QCOMPARE(xlsx->findSheet("4"), std::nullopt);
        QCOMPARE(xlsx->findSheet("second"), std::nullopt);
        Result<WorkbookReader> ods = WorkbookReader::openFile(workbook("people.ods"), "o");
        QVERIFY(ods);
        QCOMPARE(ods->kind(), WorkbookReader::Kind::Ods);
        QCOMPARE(ods->sheetNames(), QStringList({"Clients", "Empty", "Second"}));
    }

    void badWorkbooksAreRefusedWithTheReason_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        QTest::newRow("password") << "password.xlsx"
                                  << "protected by a password";
        QTest::newRow("zip password") << "zip-password.xlsx"
                                      << "protected by a password";
        QTest::newRow("ods password") << "password.ods"
                                      << "protected by a password";
        QTest::newRow("damaged zip") << "damaged.xlsx"
                                     << "not a readable zip archive";
        QTest::newRow("zip bomb") << "bomb.xlsx"
                                  << "would expand to 3000 MB";
        QTest::newRow("compressed size past the end") << "compressed-size.xlsx"
                                                      << "not a readable zip archive";
        QTest::newRow("billion rows") << "billion-rows.xlsx"
                                      << "claims 1000000000 rows";
        QTest::newRow("repeated rows") << "endless-rows.ods"
                                       << "past the 1048576 rows";
        QTest::newRow("formula without result") << "no-result.xlsx"
                                                << "cell B3 holds a formula without a saved result";
        QTest::newRow("other zip") << "not-a-workbook.zip"
                                   << "not a workbook";
    }
    void badWorkbooksAreRefusedWithTheReason()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        QVERIFY(WorkbookReader::looksLikeWorkbookFile(workbook(file)));
        Result<WorkbookReader> reader = WorkbookReader::openFile(workbook(file), file);
        QString message = reader.message();
        if (reader) {
            const Result<ImportRows> rows = reader.value().readSheet(0);
            QVERIFY(!rows);
            message = rows.message();
        }
        QVERIFY2(message.startsWith("cannot import " + file + ": "), qPrintable(message));
        QVERIFY2(message.contains(reason), qPrintable(message));
    }

    void numbersTakeTheirShortestExactForm_data()
    {
        QTest::addColumn<double>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("fraction") << 1.5 << "1.5";
        QTest::newRow("not rounded") << 0.1 + 0.2 << "0.30000000000000004";
        QTest::newRow("whole") << 45356.0 << "45356";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("large whole") << 123456789012345.0 << "123456789012345";
        QTest::newRow("huge") << 1e21 << "1e+21";
        QTest::newRow("tiny") << -2.5e-7 << "-2.5e-07";
    }
    void numbersTakeTheirShortestExactForm()
    {
        QFETCH(double, number);
        QFETCH(QString, text);
        QCOMPARE(CellText::number(number), text);
    }

    void datesFollowTheirFormatOrIso_data()
    {
        QTest::addColumn<double>("serial");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        const double march5 = 45356; // 2024-03-05
        const double tenThirty = 10.5 / 24;
        QTest::newRow("dd/mm/yyyy") << march5 << "dd/mm/yyyy"
                                    << "05/03/2024";
        QTest::newRow("yyyy-mm-dd") << march5 << "yyyy-mm-dd"
                                    << "2024-03-05";
        QTest::newRow("d mmm yyyy") << march5 << "d mmm yyyy"
                                    << "5 Mar 2024";
        QTest::newRow("locale tag") << march5 << "[$-409]d mmmm yyyy;@"
                                    << "5 March 2024";
        QTest::newRow("hh:mm") << march5 + tenThirty << "hh:mm"
                               << "10:30";
        QTest::newRow("date and minutes") << march5 + tenThirty << "dd.mm.yy h:mm"
                                          << "05.03.24 10:30";
        QTest::newRow("AM/PM to ISO") << march5 + tenThirty << "h:mm AM/PM"
                                      << "10:30:00";
        QTest::newRow("weekday to ISO") << march5 + tenThirty << "dddd d mmm yyyy h:mm"
                                        << "2024-03-05T10:30:00";
        QTest::newRow("no format, no time") << march5 << ""
                                            << "2024-03-05";
        QTest::newRow("no format, a time") << march5 + tenThirty << ""
                                           << "2024-03-05T10:30:00";
        QTest::newRow("before March 1900") << 59.0 << "yyyy-mm-dd"
                                           << "1900-02-28";
        QTest::newRow("rounded to the second") << march5 + 0.99999999 << "yyyy-mm-dd hh:mm:ss"
                                               << "2024-03-06 00:00:00";
    }
    void datesFollowTheirFormatOrIso()
    {
        QFETCH(double, serial);
        QFETCH(QString, format);
        QFETCH(QString, text);
        const auto when = CellText::fromSerial(serial, false);
        QVERIFY(when);
        QCOMPARE(CellText::dateTime(*when, format), text);
        QVERIFY(format.isEmpty() || CellText::isDateFormat(format));
    }

    void numberFormatsAreToldFromDateFormats()
    {
        for (const char* code :
             {"General", "0.00", "#,##0", "0.00E+00", "[Red]0.0", "\"day\" 0", "@"})
            QVERIFY2(!CellText::isDateFormat(QString::fromLatin1(code)), code);
        for (const char* code : {"d/m/yy", "[h]:mm:ss", "mmm", "yyyy"})
            QVERIFY2(CellText::isDateFormat(QString::fromLatin1(code)), code);
    }
};

QTEST_GUILESS_MAIN(WorkbookReaderTest)
#include "tst_workbookreader.moc"
