#include "casefile.h"
#include "core/document.h"
#include "exchange/exportfieldpicker.h"
#include "exchange/exportlayout.h"
#include "exchange/exportvalue.h"
#include "exchange/exportwriter.h"
#include "support/documentbuilder.h"

#include <QDateTime>
#include <QDir>

#include <csignal>
#include <map>
#include <sys/resource.h>

using namespace quillory;

using Indices = std::set<int>;

Q_DECLARE_METATYPE(quillory::Value)

namespace {

QString exportOneValue(ExportFormat format, const Value& value)
{
    MutableRecord record = PackedRecord::make();
    record->set(QStringLiteral("3"), value);
    ExportWriter writer({record}, {{QStringLiteral("3"), QStringLiteral("Name")}});
    writer.fileFormatToSave = format;
    return writer.composeExport();
}

// A writer of the names under one field, with the field's name as first row.
ExportWriter namesWriter(const QStringList& names)
{
    QJsonArray rows;
    for (const QString& name : names)
        rows.append(QJsonArray{name});
    ExportWriter writer = writerFor(ExportFormat::TabSeparated, {"Name"}, rows);
    writer.useFieldNamesAsFirstRow = true;
    return writer;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// The fields' one-letter names in list order.
QString letters(const std::vector<FieldKey>& keys)
{
    QString out;
    for (const FieldKey& k : keys)
        out += k.publicKey;
    return out;
}

Indices indices(const QJsonValue& list)
{
    Indices out;
    for (const QJsonValue& v : list.toArray())
        out.insert(v.toInt());
    return out;
}

} // namespace

class TestExportWriter : public QObject
{
    Q_OBJECT

private slots:
    // Each folder under tests/data/exchange/export holds case.json (format, page title, first
    // row, fields, records, custom layout texts and last-record flag) and the whole
    // expected.txt.
    void golden_data()
    {
        QTest::addColumn<QString>("folder");
        const QDir root(test::testDataPath(QStringLiteral("exchange/export")));
        const QStringList cases = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QVERIFY(cases.size() >= 15);
        for (const QString& name : cases)
            QTest::newRow(qPrintable(name)) << root.filePath(name);
    }
    void golden()
    {
        QFETCH(QString, folder);
        const QJsonObject c =
            QJsonDocument::fromJson(test::readFile(folder + "/case.json")).object();
        ExportWriter writer =
            writerFor(exportFormatNamed(c["format"]), texts(c["fields"]), c["records"].toArray());
        writer.useFieldNamesAsFirstRow = c["header"].toBool();
        if (c.contains(QLatin1String("title")))
            writer.pageTitle = c["title"].toString();
        QString ExportWriter::*const layoutTexts[] = {
            &ExportWriter::start_of_file,   &ExportWriter::end_of_file,
            &ExportWriter::start_of_record, &ExportWriter::end_of_record,
            &ExportWriter::field_open_tag,  &ExportWriter::field_close_tag,
            &ExportWriter::field_separator};
        const QStringList layout = texts(c["layout"]);
        for (qsizetype i = 0; i < layout.size(); ++i)
            writer.*layoutTexts[i] = layout[i];
        if (c.contains(QLatin1String("lastEnd")))
            writer.use_end_of_record_in_last_record = c["lastEnd"].toString();
        const QString expected = QString::fromUtf8(test::readFile(folder + "/expected.txt"));
        const QString difference = firstDifference(writer.composeExport(), expected);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // Rows [name, format, value, the export of one record holding only that value].
    void cleaning_data() { addCaseRows(QStringLiteral("cleaning.json")); }
    void cleaning()
    {
        QFETCH(QJsonArray, row);
        const ExportFormat format = exportFormatNamed(row[1]);
        const QString value = row[2].toString();
        QCOMPARE(exportOneValue(format, Value::string(value)), row[3].toString());
        // The quick scan that spares most values a copy must agree with the writing.
        QCOMPARE(ExportValue::changesWhenWritten(format, value),
                 ExportValue::written(format, value) != value);
    }

    void valuesOfOtherKinds_data()
    {
        QTest::addColumn<Value>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("integer") << Value::integer(-42) << "-42";
        QTest::newRow("unsigned past the signed range")
            << Value::unsignedInteger(18446744073709551615ull) << "18446744073709551615";
        QTest::newRow("real in its shortest form") << Value::real(0.1) << "0.1";
        QTest::newRow("large real without exponent")
            << Value::real(1e20) << "100000000000000000000";
        QTest::newRow("true") << Value::boolean(true) << "1";
        QTest::newRow("data") << Value::data("xyz") << "";
    }
    void valuesOfOtherKinds()
    {
        QFETCH(Value, value);
        QFETCH(QString, expected);
        QCOMPARE(exportOneValue(ExportFormat::TabSeparated, value), expected);
    }

    void aDateIsTheShortDateOfItsLocalDay()
    {
        // Late in the local day, so that writing the time or the UTC day would show.
        const QDateTime moment(QDate(2024, 3, 5), QTime(23, 30));
        const double since2001 = double(moment.toSecsSinceEpoch()) - 978307200.0;
        const QString day = QLocale::system().toString(QDate(2024, 3, 5), QLocale::ShortFormat);
        QCOMPARE(exportOneValue(ExportFormat::HtmlTable, Value::date({since2001})),
                 "<table><tr><td>" + day + "</td></tr></table>");
    }

    void aPresetAsCustomLayoutIsTheFormatsLayout()
    {
        ExportWriter writer({}, {});
        writer.pageTitle = QStringLiteral("A & B");
        for (ExportFormat format :
             {ExportFormat::TabSeparated, ExportFormat::QuotedCsv, ExportFormat::HtmlTable,
              ExportFormat::HtmlPage, ExportFormat::PlainCsv, ExportFormat::SemicolonCsv}) {
            writer.fileFormatToSave = format;
            const ExportLayout fixed = writer.currentLayout();
            writer.setCustomFields(format);
            writer.fileFormatToSave = ExportFormat::Custom;
            QCOMPARE(writer.currentLayout(), fixed);
        }
        // The custom preset clears the texts, and ends the last record too.
        writer.setCustomFields(ExportFormat::HtmlPage);
        writer.setCustomFields(ExportFormat::Custom);
        ExportLayout cleared;
        cleared.use_end_of_record_in_last_record = true;
        QCOMPARE(writer.currentLayout(), cleared);
    }

    // Well past the size at which the writer hands the text over in pieces, over a file there.
    void aLargeExportReplacesAFileWholeAsUtf8WithoutMark()
    {
        QStringList names;
        for (int i = 0; i < 70000; ++i)
            names << QStringLiteral("Ünïcödé %1 😀").arg(i);
        ExportWriter writer = namesWriter(names);
        writer.fileFormatToSave = ExportFormat::HtmlPage;
        test::ScratchFolder scratch;
        const QString path = scratch.writeFile(QStringLiteral("big.html"), QByteArray(4096, 'x'));
        const Result<> written = writer.writeToFile(path);
        QVERIFY2(written.ok(), qPrintable(written.message()));
        const QString expected = writer.composeExport();
        QVERIFY(expected.size() > 2 * 1024 * 1024);
        QVERIFY(test::readFile(path) == expected.toUtf8());
        QCOMPARE(entries(scratch.path()), QStringList{"big.html"}); // no temporary left
    }

    // Rows: where to write, a file size limit (bytes, 0: none) past which writes fail, for the
    // superuser too (unlike permissions). Nothing there may change.
    void aFailedWriteIsReported_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("sizeLimit");
        QTest::newRow("missing folder") << "missing/out.tsv" << 0;
        QTest::newRow("target is a folder") << "folder" << 0;
        QTest::newRow("no location") << "" << 0;
        QTest::newRow("failing midway over a file") << "kept.tsv" << 64 * 1024;
    }
    void aFailedWriteIsReported()
    {
        QFETCH(QString, target);
        QFETCH(int, sizeLimit);
        test::ScratchFolder scratch;
        scratch.writeFile(QStringLiteral("folder/keep.txt"), "kept");
        scratch.writeFile(QStringLiteral("kept.tsv"), "previous export\n");
        const QString path = target.isEmpty() ? QString() : scratch.filePath(target);
        const ExportWriter writer = namesWriter(QStringList(40000, QStringLiteral("a record")));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const rlimit old = limit;
        if (sizeLimit > 0)
            limit.rlim_cur = rlim_t(sizeLimit);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        const Result<> written = writer.writeToFile(path);
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!written);
        QVERIFY2(written.message().contains(QDir::toNativeSeparators(path)),
                 qPrintable(written.message()));
        QCOMPARE(test::readFile(scratch.filePath("folder/keep.txt")), QByteArray("kept"));
        QCOMPARE(test::readFile(scratch.filePath("kept.tsv")), QByteArray("previous export\n"));
        QCOMPARE(entries(scratch.path()), (QStringList{"folder", "kept.tsv"}));
    }

    // Rows [name, fields moved right first (indices into A B C D on the left), left selection,
    // right selection, command, left list after, right list after, left and right selections
    // after].
    void commands_data() { addCaseRows(QStringLiteral("picker.json")); }
    void commands()
    {
        QFETCH(QJsonArray, row);
        std::vector<FieldKey> keys;
        for (const QString name : {"A", "B", "C", "D"})
            keys.push_back({QString::number(keys.size() + 3), name});
        ExportFieldPicker picker(keys);
        picker.setLeftSelection(indices(row[1]));
        picker.addSelectedToRight();
        picker.setLeftSelection(indices(row[2]));
        picker.setRightSelection(indices(row[3]));
        const std::map<QString, void (ExportFieldPicker::*)()> commands{
            {"add", &ExportFieldPicker::addSelectedToRight},
            {"addAll", &ExportFieldPicker::addAllToRight},
            {"remove", &ExportFieldPicker::removeSelectedFromRight},
            {"removeAll", &ExportFieldPicker::removeAllFromRight},
            {"up", &ExportFieldPicker::moveUp},
            {"down", &ExportFieldPicker::moveDown}};
        (picker.*commands.at(row[4].toString()))();
        QCOMPARE(letters(picker.leftKeyArray()), row[5].toString());
        QCOMPARE(letters(picker.rightKeyArray()), row[6].toString());
        QCOMPARE(picker.leftSelection(), indices(row[7]));
        QCOMPARE(picker.rightSelection(), indices(row[8]));
    }

    void aDocumentOffersItsFieldsAndExportsEveryRecord()
    {
        Document doc;
        test::fillDocument(doc, {"Name", "City"},
                           {{"Ann", "Rome"}, {"Bob", "Oslo"}, {"Cy", "Nice"}});
        doc.setRecordValue(doc.dataArray()[1], kCheckedKey, Value::boolean(true)); // kept too
        ExportFieldPicker picker = ExportFieldPicker::forDocument(doc);
        QCOMPARE(letters(picker.leftKeyArray()), QStringLiteral("NameCity"));
        QVERIFY(picker.rightKeyArray().empty());
        picker.addAllToRight();
        ExportWriter writer = ExportWriter::forDocument(doc);
        QCOMPARE(writer.suggestedFileName, QStringLiteral("Export"));
        writer.setFields(picker.rightKeyArray());
        writer.useFieldNamesAsFirstRow = true;
        QCOMPARE(writer.composeExport(),
                 QStringLiteral("Name\tCity\nAnn\tRome\nBob\tOslo\nCy\tNice"));
    }
};

QTEST_APPLESS_MAIN(TestExportWriter)
#include "tst_exportwriter.moc"
