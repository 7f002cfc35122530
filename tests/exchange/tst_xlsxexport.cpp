// The workbook export read back by independent readers: openpyxl, and our own import.
#include "casefile.h"
#include "exchange/exportwriter.h"
#include "exchange/workbookreader.h"
#include "exchange/xlsxexport.h"

#include <QDir>
#include <QProcess>

using namespace quillory;

namespace {

using Rows = QList<QStringList>;

// The first sheet as openpyxl reads it, [value, type] per cell, and the names of the sheets;
// an empty object with the reason in error when it cannot read the file.
QJsonObject readWithOpenpyxl(const QString& path, QString& error)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {test::testDataPath(QStringLiteral("exchange/xlsx_tool.py")), QStringLiteral("read"),
             path});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error = QStringLiteral("xlsx_tool.py: %1 %2")
                    .arg(p.errorString(), QString::fromUtf8(p.readAllStandardError()));
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// The values of the cells, an empty cell as "", and the kinds of cell other than text.
Rows valuesOf(const QJsonObject& read, QStringList& otherKinds)
{
    Rows rows;
    for (const QJsonValue& row : read["rows"].toArray()) {
        rows << QStringList();
        for (const QJsonValue& cell : row.toArray()) {
            const QJsonValue value = cell[0];
            rows.back() << (value.isDouble() ? QString::number(value.toDouble())
                                             : value.toString());
            if (!value.isNull() && cell[1].toString() != QLatin1String("s"))
                otherKinds << QStringLiteral("%1:%2").arg(value.toVariant().toString(),
                                                          cell[1].toString());
        }
    }
    return rows;
}

QJsonArray jsonRows(const Rows& rows)
{
    QJsonArray array;
    for (const QStringList& row : rows)
        array.append(QJsonArray::fromStringList(row));
    return array;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

const QStringList kNames = {QStringLiteral("Name"), QStringLiteral("Note"),
                            QStringLiteral("Prénom")};

} // namespace

class TestXlsxExport : public QObject
{
    Q_OBJECT

    test::ScratchFolder m_scratch;

private slots:
    // Values a spreadsheet could take for something else, then thousands of plain records:
    // each comes back as the same text (its line ends as LF), in a workbook of one sheet.
    void valuesComeBackAsTheSameTexts()
    {
        Rows rows = {
            {"Hélène Ünïcödé 😀", "Zoë", "ß"},
            {"", "", "only the last"},
            {"=1+1", "=SUM(A1:A3)", "=HYPERLINK(\"http://x\")"},
            {"007", "1e5", "TRUE"},
            {"  spaces around  ", "tab\there", "line\nend"},
            {"<b>&amp;</b>", "\"quoted\"", "cr\r\nlf\rcr"},
            {QString(XlsxExport::kCellTextLimit, u'x'), "a", "b"},
        };
        for (int i = 0; i < 5000; ++i)
            rows << QStringList{QStringLiteral("Name %1").arg(i),
                                QStringLiteral("Note é %1").arg(i), QString::number(i)};
        ExportWriter writer = writerFor(ExportFormat::Xlsx, kNames, jsonRows(rows));
        writer.useFieldNamesAsFirstRow = true;
        const QString path = m_scratch.writeFile(QStringLiteral("out.xlsx"), "an older file");
        const Result<> written = writer.writeToFile(path);
        QVERIFY2(written.ok(), qPrintable(written.message()));
        QCOMPARE(entries(m_scratch.path()), QStringList{"out.xlsx"}); // no temporary left
        for (QStringList& row : rows)
            row.replaceInStrings(QStringLiteral("\r\n"), QStringLiteral("\n"))
                .replaceInStrings(QStringLiteral("\r"), QStringLiteral("\n"));

        QString error;
        const QJsonObject read = readWithOpenpyxl(path, error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(read["sheets"].toArray().size(), 1);
        QStringList otherKinds;
        const Rows values = valuesOf(read, otherKinds);
        QCOMPARE(otherKinds, QStringList()); // no formula, number or date among them
        QCOMPARE(values.size(), rows.size() + 1);
        QCOMPARE(values.front(), kNames);
        for (qsizetype r = 0; r < rows.size(); ++r)
            QCOMPARE(values[r + 1], rows[r]);

        // Our own workbook reader finds the same texts.
        Result<WorkbookReader> book = WorkbookReader::openFile(path, QStringLiteral("out.xlsx"));
        QVERIFY2(book.ok(), qPrintable(book.message()));
        Result<ImportRows> sheet = book.value().readSheet(0);
        QVERIFY2(sheet.ok(), qPrintable(sheet.message()));
        QCOMPARE(sheet->rowCount(), rows.size() + 1);
        for (qsizetype r = 0; r < rows.size(); ++r)
            QCOMPARE(sheet->elements(r + 1), rows[r]);
    }

    // The counter, the one value written as a number, and no first row when not asked.
    void theCounterIsANumber()
    {
        MutableRecord record = PackedRecord::make();
        record->set(kCounterKey, Value::integer(42));
        record->set(QStringLiteral("3"), Value::string(QStringLiteral("42")));
        ExportWriter writer({record}, {{kCounterKey, QStringLiteral("#")},
                                       {QStringLiteral("3"), QStringLiteral("Name")}});
        writer.fileFormatToSave = ExportFormat::Xlsx;
        const QString path = m_scratch.filePath(QStringLiteral("counter.xlsx"));
        QVERIFY(writer.writeToFile(path).ok());
        QString error;
        QStringList otherKinds;
        const Rows values = valuesOf(readWithOpenpyxl(path, error), otherKinds);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(values, (Rows{{"42", "42"}}));
        QCOMPARE(otherKinds, QStringList{"42:n"});
    }

    // A text longer than a cell takes is never cut: the export is refused, naming the record
    // and the field, and nothing is written, nor is an older file touched.
    void aTextLongerThanACellIsRefused()
    {
        const Rows rows = {{"Ann", "short", ""},
                           {"Bob", QString(XlsxExport::kCellTextLimit + 1, u'y'), ""}};
        ExportWriter writer = writerFor(ExportFormat::Xlsx, kNames, jsonRows(rows));
        test::ScratchFolder scratch;
        const QString kept = scratch.writeFile(QStringLiteral("kept.xlsx"), "an older file");
        for (const QString& path : {scratch.filePath(QStringLiteral("new.xlsx")), kept}) {
            const Result<> written = writer.writeToFile(path);
            QVERIFY(!written);
            QVERIFY2(written.message().contains(QStringLiteral("field 'Note' of record 2 holds "
                                                               "32768 characters")),
                     qPrintable(written.message()));
        }
        QCOMPARE(entries(scratch.path()), QStringList{"kept.xlsx"});
        QCOMPARE(test::readFile(kept), QByteArray("an older file"));
    }
};

QTEST_APPLESS_MAIN(TestXlsxExport)
#include "tst_xlsxexport.moc"
