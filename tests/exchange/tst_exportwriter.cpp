#include "exchange/exportlayout.h"
#include "exchange/exportvalue.h"
#include "exchange/exportwriter.h"

#include <QDateTime>
#include <QTest>

#include <set>

using namespace quillory;

namespace {

const FieldKey kName{QStringLiteral("3"), QStringLiteral("Name")};
const FieldKey kCity{QStringLiteral("4"), QStringLiteral("City")};

Record makeRecord(qint64 counter, bool checked,
                  const std::vector<std::pair<QString, Value>>& values)
{
    Record r = Dict::make();
    r->set(kCounterKey, Value::integer(counter));
    r->set(kCheckedKey, Value::boolean(checked));
    for (const auto& [k, v] : values)
        r->set(k, v);
    return r;
}

Record nameCity(qint64 counter, const QString& name, const QString& city)
{
    return makeRecord(
        counter, false,
        {{kName.innerKey, Value::string(name)}, {kCity.innerKey, Value::string(city)}});
}

// A manager exporting Name then City of (Ann, Rome) and (Bob, Oslo).
ExportWriter annAndBob(int format, bool header)
{
    ExportWriter m({nameCity(1, "Ann", "Rome"), nameCity(2, "Bob", "Oslo")}, {kName, kCity});
    m.addAllToRight();
    m.fileFormatToSave = format;
    m.useFieldNamesAsFirstRow = header;
    return m;
}

// The export of one record holding value under its only field, without a first row.
QString exportOneValue(int format, const Value& value)
{
    ExportWriter m({makeRecord(1, false, {{kName.innerKey, value}})}, {kName});
    m.addAllToRight();
    m.fileFormatToSave = format;
    return m.composeExport();
}

std::vector<QString> names(const std::vector<FieldKey>& keys)
{
    std::vector<QString> out;
    for (const FieldKey& k : keys)
        out.push_back(k.publicKey);
    return out;
}

// A manager whose right list holds A, B, C, D and whose left list is empty.
ExportWriter fourOnTheRight()
{
    std::vector<FieldKey> keys;
    for (const char* n : {"A", "B", "C", "D"})
        keys.push_back({QString::number(keys.size() + 3), QString::fromLatin1(n)});
    ExportWriter m({}, keys);
    m.addAllToRight();
    return m;
}

} // namespace

using Names = std::vector<QString>;
using Indices = std::set<int>;
Q_DECLARE_METATYPE(Names)
Q_DECLARE_METATYPE(Indices)
Q_DECLARE_METATYPE(quillory::Value)

class TestKWDataExportManager : public QObject
{
    Q_OBJECT

private slots:
    void eachFormatWritesTheTwoRecordsInItsLayout_data();
    void eachFormatWritesTheTwoRecordsInItsLayout();
    void firstRowWithoutRecordsEndsAsTheFormatSays_data();
    void firstRowWithoutRecordsEndsAsTheFormatSays();
    void noFieldsExportedStillGivesOneRowPerRecord_data();
    void noFieldsExportedStillGivesOneRowPerRecord();
    void valuesAreCleanedForTheFormat_data();
    void valuesAreCleanedForTheFormat();
    void namesInTheFirstRowAreNeverCleaned();
    void valuesOfOtherKindsBecomeText_data();
    void valuesOfOtherKindsBecomeText();
    void aDateIsWrittenAsTheShortDateOfItsDay();
    void everyRecordIsWrittenInStoredOrder();
    void customLayoutTurnsEscapesIntoControlsAndDoesNotClean();
    void customLayoutWithoutFlagOmitsTheLastEndOfRecord();
    void presetsShowTheFormatsLayout_data();
    void presetsShowTheFormatsLayout();
    void aPresetUsedAsCustomLayoutWritesLikeItsFormat_data();
    void aPresetUsedAsCustomLayoutWritesLikeItsFormat();
    void fileTypeFollowsTheFormat_data();
    void fileTypeFollowsTheFormat();
    void flagTextsReadAsBooleans_data();
    void flagTextsReadAsBooleans();
    void suggestedFileNameDropsTheExtension_data();
    void suggestedFileNameDropsTheExtension();

    void aNewManagerOffersEveryFieldAndExportsNone();
    void addSelectedToRightKeepsTheLeftListsOrder();
    void addAllAndRemoveAllMoveWholeLists();
    void removeSelectedFromRightAppendsToTheLeft();
    void selectionsOutsideTheListsAreDropped();
    void moveUpAndDownFollowTheSelection_data();
    void moveUpAndDownFollowTheSelection();
    void repeatedMovesWalkAFieldAlongTheList();
};

void TestKWDataExportManager::eachFormatWritesTheTwoRecordsInItsLayout_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("header");
    QTest::addColumn<QString>("expected");

    QTest::newRow("tab with names") << 1 << true << "Name\tCity\nAnn\tRome\nBob\tOslo";
    QTest::newRow("tab without names") << 1 << false << "Ann\tRome\nBob\tOslo";
    QTest::newRow("quoted csv") << 2 << true
                                << "\"Name\",\"City\"\n\"Ann\",\"Rome\"\n\"Bob\",\"Oslo\"";
    QTest::newRow("html table")
        << 3 << true
        << "<table><tr><td>Name</td><td>City</td></tr><tr><td>Ann</td><td>Rome</td></tr>"
           "<tr><td>Bob</td><td>Oslo</td></tr></table>";
    QTest::newRow("html page")
        << 4 << false
        << "<!DOCTYPE html><html><body><table><tr><td>Ann</td><td>Rome</td></tr>"
           "<tr><td>Bob</td><td>Oslo</td></tr></table></body></html>";
    QTest::newRow("plain csv") << 5 << true << "Name,City\nAnn,Rome\nBob,Oslo";
    QTest::newRow("unknown code has no layout") << 9 << true << "NameCityAnnRomeBobOslo";
    QTest::newRow("custom left empty") << 0 << false << "AnnRomeBobOslo";
}

void TestKWDataExportManager::eachFormatWritesTheTwoRecordsInItsLayout()
{
    QFETCH(int, format);
    QFETCH(bool, header);
    QFETCH(QString, expected);
    QCOMPARE(annAndBob(format, header).composeExport(), expected);
}

void TestKWDataExportManager::firstRowWithoutRecordsEndsAsTheFormatSays_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("tab: no line end") << 1 << "Name\tCity";
    QTest::newRow("quoted csv: no line end") << 2 << "\"Name\",\"City\"";
    QTest::newRow("html table: row closed")
        << 3 << "<table><tr><td>Name</td><td>City</td></tr></table>";
}

void TestKWDataExportManager::firstRowWithoutRecordsEndsAsTheFormatSays()
{
    QFETCH(int, format);
    QFETCH(QString, expected);
    ExportWriter m({}, {kName, kCity});
    m.addAllToRight();
    m.fileFormatToSave = format;
    m.useFieldNamesAsFirstRow = true;
    QCOMPARE(m.composeExport(), expected);
}

void TestKWDataExportManager::noFieldsExportedStillGivesOneRowPerRecord_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("header");
    QTest::addColumn<QString>("expected");
    QTest::newRow("tab: N-1 line ends") << 1 << false << "\n\n";
    QTest::newRow("tab with empty first row") << 1 << true << "\n\n\n";
    QTest::newRow("html table: empty rows")
        << 3 << false << "<table><tr></tr><tr></tr><tr></tr></table>";
}

void TestKWDataExportManager::noFieldsExportedStillGivesOneRowPerRecord()
{
    QFETCH(int, format);
    QFETCH(bool, header);
    QFETCH(QString, expected);
    ExportWriter m(
        {nameCity(1, "Ann", "Rome"), nameCity(2, "Bob", "Oslo"), nameCity(3, "Cy", "Nice")},
        {kName, kCity});
    m.fileFormatToSave = format;
    m.useFieldNamesAsFirstRow = header;
    QCOMPARE(m.composeExport(), expected);
}

void TestKWDataExportManager::valuesAreCleanedForTheFormat_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("tab: tab between words") << 1 << "two\twords"
                                            << "two words";
    QTest::newRow("tab: tab merges with space before") << 1 << "a \tb"
                                                       << "a b";
    QTest::newRow("tab: tab merges with space after") << 1 << "a\t b"
                                                      << "a b";
    QTest::newRow("tab: steps run in order") << 1 << "a \t b"
                                             << "a  b";
    QTest::newRow("tab: line end") << 1 << "line one\nline two"
                                   << "line one line two";
    QTest::newRow("tab: CR LF is one line end") << 1 << "a\r\nb"
                                                << "a b";
    QTest::newRow("tab: lone CRs") << 1 << "a\r\rb"
                                   << "a  b";
    QTest::newRow("tab: line end merges with space") << 1 << "a \r\n b"
                                                     << "a  b";
    QTest::newRow("tab: tab then line end") << 1 << "a\t\nb"
                                            << "a b";
    QTest::newRow("tab: commas kept") << 1 << "Rome, Italy"
                                      << "Rome, Italy";
    QTest::newRow("quoted: commas and quotes kept") << 2 << "Rome, \"Italy\""
                                                    << "\"Rome, \"Italy\"\"";
    QTest::newRow("quoted: tabs kept") << 2 << "a\tb"
                                       << "\"a\tb\"";
    QTest::newRow("quoted: line ends") << 2 << "a\nb \nc"
                                       << "\"a b c\"";
    QTest::newRow("plain: comma and space merge") << 5 << "Rome, Italy"
                                                  << "Rome Italy";
    QTest::newRow("plain: space and comma merge") << 5 << "Rome ,Italy"
                                                  << "Rome Italy";
    QTest::newRow("plain: bare comma") << 5 << "a,b"
                                       << "a b";
    QTest::newRow("plain: spaced comma") << 5 << "a , b"
                                         << "a  b";
    QTest::newRow("plain: line end then comma") << 5 << "x\ny,z"
                                                << "x y z";
    QTest::newRow("plain: comma then line end") << 5 << "a,\nb"
                                                << "a b";
    QTest::newRow("plain: tabs kept") << 5 << "a\tb"
                                      << "a\tb";
    QTest::newRow("html: markup kept") << 3 << "<b>&\n"
                                       << "<table><tr><td><b>&\n</td></tr></table>";
    QTest::newRow("custom: nothing cleaned") << 0 << "a,\tb\n"
                                             << "a,\tb\n";
    QTest::newRow("non-ASCII untouched") << 1 << "é\t😀"
                                         << "é 😀";
}

void TestKWDataExportManager::valuesAreCleanedForTheFormat()
{
    QFETCH(int, format);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(exportOneValue(format, Value::string(value)), expected);
    // The quick scan must agree with the replacements.
    QCOMPARE(ExportValue::needsCleaning(format, value), ExportValue::clean(format, value) != value);
}

void TestKWDataExportManager::namesInTheFirstRowAreNeverCleaned()
{
    const FieldKey odd{QStringLiteral("3"), QStringLiteral("Na\tme, x")};
    ExportWriter m({makeRecord(1, false, {{odd.innerKey, Value::string("v\tw, y")}})},
                          {odd});
    m.addAllToRight();
    m.useFieldNamesAsFirstRow = true;
    QCOMPARE(m.composeExport(), QStringLiteral("Na\tme, x\nv w, y"));
    m.fileFormatToSave = ExportLayout::kPlainCsv;
    QCOMPARE(m.composeExport(), QStringLiteral("Na\tme, x\nv\tw y"));
}

void TestKWDataExportManager::valuesOfOtherKindsBecomeText_data()
{
    QTest::addColumn<Value>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("integer") << Value::integer(42) << "42";
    QTest::newRow("negative integer") << Value::integer(-7) << "-7";
    QTest::newRow("unsigned beyond signed range")
        << Value::unsignedInteger(18446744073709551615ull) << "18446744073709551615";
    QTest::newRow("real") << Value::real(2.5) << "2.5";
    QTest::newRow("real in shortest form") << Value::real(0.1) << "0.1";
    QTest::newRow("large real without exponent") << Value::real(1e20) << "100000000000000000000";
    QTest::newRow("true") << Value::boolean(true) << "1";
    QTest::newRow("false") << Value::boolean(false) << "0";
    QTest::newRow("none") << Value() << "";
    QTest::newRow("data") << Value::data("xyz") << "";
}

void TestKWDataExportManager::valuesOfOtherKindsBecomeText()
{
    QFETCH(Value, value);
    QFETCH(QString, expected);
    QCOMPARE(exportOneValue(ExportLayout::kTabSeparated, value), expected);
}

void TestKWDataExportManager::aDateIsWrittenAsTheShortDateOfItsDay()
{
    // Late in the local day, so that writing the time or the UTC day would show.
    const QDateTime moment(QDate(2024, 3, 5), QTime(23, 30));
    const double since2001 = double(moment.toSecsSinceEpoch()) - 978307200.0;
    const QString expected = QLocale::system().toString(QDate(2024, 3, 5), QLocale::ShortFormat);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(exportOneValue(ExportLayout::kHtmlTable, Value::date({since2001})),
             "<table><tr><td>" + expected + "</td></tr></table>");
}

void TestKWDataExportManager::everyRecordIsWrittenInStoredOrder()
{
    // A record missing a field (read from an older file) gives an empty cell.
    ExportWriter m({makeRecord(5, true, {{kName.innerKey, Value::string("Ann")}}),
                           makeRecord(1, false, {{kCity.innerKey, Value::string("Oslo")}}),
                           nullptr},
                          {kName, kCity});
    m.addAllToRight();
    QCOMPARE(m.composeExport(), QStringLiteral("Ann\t\n\tOslo\n\t"));
}

void TestKWDataExportManager::customLayoutTurnsEscapesIntoControlsAndDoesNotClean()
{
    ExportWriter m({nameCity(1, "Ann", "Rome"), nameCity(2, "B\tob", "Oslo")},
                          {kName, kCity});
    m.addAllToRight();
    m.useFieldNamesAsFirstRow = true;
    m.setCustomFields(0);
    m.fileFormatToSave = ExportLayout::kCustom;
    m.field_separator = QStringLiteral("\\t");
    m.end_of_record = QStringLiteral("\\n");
    QCOMPARE(m.composeExport(), QStringLiteral("Name\tCity\nAnn\tRome\nB\tob\tOslo\n"));

    // Other backslashes are kept; every escape in every text is expanded.
    m.start_of_file = QStringLiteral("[\\x\\n]");
    m.field_open_tag = QStringLiteral("\\t\\t");
    m.use_end_of_record_in_last_record = QStringLiteral("NO");
    QCOMPARE(m.composeExport(), QStringLiteral("[\\x\n]\t\tName\t\t\tCity\n\t\tAnn\t\t\tRome\n"
                                               "\t\tB\tob\t\t\tOslo"));
}

void TestKWDataExportManager::customLayoutWithoutFlagOmitsTheLastEndOfRecord()
{
    ExportWriter m = annAndBob(ExportLayout::kCustom, false);
    m.field_separator = QStringLiteral(";");
    m.end_of_record = QStringLiteral("|");
    QVERIFY(!m.use_end_of_record_in_last_record.has_value());
    QCOMPARE(m.composeExport(), QStringLiteral("Ann;Rome|Bob;Oslo"));
    m.use_end_of_record_in_last_record = QStringLiteral("yes");
    QCOMPARE(m.composeExport(), QStringLiteral("Ann;Rome|Bob;Oslo|"));
}

void TestKWDataExportManager::presetsShowTheFormatsLayout_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("flag");
    QTest::newRow("tab") << 1 << QStringList{"", "", "", "\\n", "", "", "\\t"} << "NO";
    QTest::newRow("quoted csv") << 2 << QStringList{"", "", "", "\\n", "\"", "\"", ","} << "NO";
    QTest::newRow("html table") << 3 << QStringList{"<table>", "</table>", "<tr>", "</tr>",
                                                    "<td>",    "</td>",    ""}
                                << "YES";
    QTest::newRow("html page") << 4
                               << QStringList{"<!DOCTYPE html><html><body><table>",
                                              "</table></body></html>",
                                              "<tr>",
                                              "</tr>",
                                              "<td>",
                                              "</td>",
                                              ""}
                               << "YES";
    QTest::newRow("plain csv") << 5 << QStringList{"", "", "", "\\n", "", "", ","} << "NO";
    QTest::newRow("custom") << 0 << QStringList{"", "", "", "", "", "", ""} << "YES";
    QTest::newRow("unknown") << 42 << QStringList{"", "", "", "", "", "", ""} << "YES";
}

void TestKWDataExportManager::presetsShowTheFormatsLayout()
{
    QFETCH(int, tag);
    QFETCH(QStringList, texts);
    QFETCH(QString, flag);
    ExportWriter m({}, {});
    // Start from another preset so that every text has to be overwritten.
    m.setCustomFields(tag == 4 ? 2 : 4);
    m.setCustomFields(tag);
    const QStringList got{m.start_of_file,  m.end_of_file,     m.start_of_record, m.end_of_record,
                          m.field_open_tag, m.field_close_tag, m.field_separator};
    QCOMPARE(got, texts);
    QCOMPARE(m.use_end_of_record_in_last_record, std::optional<QString>(flag));
    QCOMPARE(m.fileFormatToSave, 1); // the format choice is set by the sheet, not the preset
}

void TestKWDataExportManager::aPresetUsedAsCustomLayoutWritesLikeItsFormat_data()
{
    QTest::addColumn<int>("tag");
    for (int tag = 1; tag <= 5; ++tag)
        QTest::addRow("format %d", tag) << tag;
}

void TestKWDataExportManager::aPresetUsedAsCustomLayoutWritesLikeItsFormat()
{
    QFETCH(int, tag);
    for (bool header : {false, true}) {
        ExportWriter m = annAndBob(tag, header);
        const QString fixed = m.composeExport();
        m.setCustomFields(tag);
        m.fileFormatToSave = ExportLayout::kCustom;
        QCOMPARE(m.composeExport(), fixed);
    }
}

void TestKWDataExportManager::fileTypeFollowsTheFormat_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("type");
    const char* types[] = {"txt", "tsv", "csv", "txt", "html", "csv", "txt"};
    for (int f = 0; f <= 6; ++f)
        QTest::addRow("%d", f) << f << types[f];
    QTest::newRow("-1") << -1 << "txt";
}

void TestKWDataExportManager::fileTypeFollowsTheFormat()
{
    QFETCH(int, format);
    QFETCH(QString, type);
    ExportWriter m({}, {});
    m.fileFormatToSave = format;
    QCOMPARE(m.fileType(), type);
}

void TestKWDataExportManager::flagTextsReadAsBooleans_data()
{
    QTest::addColumn<QString>("flag");
    QTest::addColumn<bool>("yes");
    QTest::newRow("YES") << "YES" << true;
    QTest::newRow("NO") << "NO" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("true") << "true" << true;
    QTest::newRow("spaced y") << "  y" << true;
    QTest::newRow("007") << "007" << true;
    QTest::newRow("000") << "000" << false;
    QTest::newRow("no") << "no" << false;
}

void TestKWDataExportManager::flagTextsReadAsBooleans()
{
    QFETCH(QString, flag);
    QFETCH(bool, yes);
    QCOMPARE(ExportLayout::readsAsYes(flag), yes);
    QVERIFY(!ExportLayout::readsAsYes(std::nullopt));
}

void TestKWDataExportManager::suggestedFileNameDropsTheExtension_data()
{
    QTest::addColumn<QString>("displayName");
    QTest::addColumn<QString>("suggested");
    QTest::newRow("with extension") << "Clients.quillory"
                                    << "Clients Export";
    QTest::newRow("dots in the name") << "my.report.quillory"
                                      << "my.report Export";
    QTest::newRow("no extension") << "Untitled"
                                  << "Untitled Export";
    QTest::newRow("hidden file") << ".hidden"
                                 << ".hidden Export";
}

void TestKWDataExportManager::suggestedFileNameDropsTheExtension()
{
    QFETCH(QString, displayName);
    QFETCH(QString, suggested);
    QCOMPARE(ExportWriter::suggestedFileNameForDocumentName(displayName), suggested);
}

void TestKWDataExportManager::aNewManagerOffersEveryFieldAndExportsNone()
{
    ExportWriter m({nameCity(1, "Ann", "Rome")}, {kName, kCity});
    QCOMPARE(m.leftKeyArray(), (std::vector<FieldKey>{kName, kCity}));
    QVERIFY(m.rightKeyArray().empty());
    QCOMPARE(m.fileFormatToSave, 1);
    QCOMPARE(m.suggestedFileName, QStringLiteral("Export"));
    QVERIFY(!m.useFieldNamesAsFirstRow);
    QVERIFY(!m.use_end_of_record_in_last_record.has_value());
    QVERIFY(m.start_of_file.isEmpty() && m.field_separator.isEmpty());
}

void TestKWDataExportManager::addSelectedToRightKeepsTheLeftListsOrder()
{
    ExportWriter m = fourOnTheRight();
    m.removeAllFromRight(); // A B C D on the left
    m.setLeftSelection({3, 1});
    m.addSelectedToRight();
    QCOMPARE(names(m.rightKeyArray()), (Names{"B", "D"}));
    QCOMPARE(names(m.leftKeyArray()), (Names{"A", "C"}));
    QCOMPARE(m.rightSelection(), (Indices{0, 1}));
    QVERIFY(m.leftSelection().empty());

    m.setLeftSelection({1});
    m.addSelectedToRight();
    QCOMPARE(names(m.rightKeyArray()), (Names{"B", "D", "C"}));
    QCOMPARE(m.rightSelection(), (Indices{2}));

    // Nothing selected: nothing moves.
    m.addSelectedToRight();
    QCOMPARE(names(m.leftKeyArray()), (Names{"A"}));
    QCOMPARE(names(m.rightKeyArray()), (Names{"B", "D", "C"}));
}

void TestKWDataExportManager::addAllAndRemoveAllMoveWholeLists()
{
    ExportWriter m = fourOnTheRight();
    m.setRightSelection({0, 2});
    m.removeSelectedFromRight(); // left A C, right B D
    m.addAllToRight();
    QCOMPARE(names(m.rightKeyArray()), (Names{"B", "D", "A", "C"}));
    QVERIFY(m.leftKeyArray().empty());
    QCOMPARE(m.rightSelection(), (Indices{2, 3}));
    m.removeAllFromRight();
    QCOMPARE(names(m.leftKeyArray()), (Names{"B", "D", "A", "C"}));
    QVERIFY(m.rightKeyArray().empty());
    QVERIFY(m.rightSelection().empty());
    // The lists only move fields around: the offered set never changes.
    QCOMPARE(m.allKeyArray().size(), std::size_t(4));
}

void TestKWDataExportManager::removeSelectedFromRightAppendsToTheLeft()
{
    ExportWriter m = fourOnTheRight();
    m.setRightSelection({1});
    m.removeSelectedFromRight(); // left B
    m.setRightSelection({2, 0});
    m.removeSelectedFromRight();
    QCOMPARE(names(m.leftKeyArray()), (Names{"B", "A", "D"}));
    QCOMPARE(names(m.rightKeyArray()), (Names{"C"}));
    QCOMPARE(m.leftSelection(), (Indices{1, 2}));
    QVERIFY(m.rightSelection().empty());
}

void TestKWDataExportManager::selectionsOutsideTheListsAreDropped()
{
    ExportWriter m = fourOnTheRight();
    m.setRightSelection({-1, 1, 4, 99});
    QCOMPARE(m.rightSelection(), (Indices{1}));
    m.setLeftSelection({0});
    QVERIFY(m.leftSelection().empty());
    m.removeSelectedFromRight();
    QCOMPARE(names(m.leftKeyArray()), (Names{"B"}));
}

void TestKWDataExportManager::moveUpAndDownFollowTheSelection_data()
{
    QTest::addColumn<bool>("up");
    QTest::addColumn<Indices>("selection");
    QTest::addColumn<Names>("order");
    QTest::addColumn<Indices>("selectionAfter");

    QTest::newRow("up one") << true << Indices{2} << Names{"A", "C", "B", "D"} << Indices{1};
    QTest::newRow("up the last") << true << Indices{3} << Names{"A", "B", "D", "C"} << Indices{2};
    QTest::newRow("up at the top") << true << Indices{0} << Names{"A", "B", "C", "D"} << Indices{0};
    QTest::newRow("up with none") << true << Indices{} << Names{"A", "B", "C", "D"} << Indices{};
    QTest::newRow("up several: last goes above first")
        << true << Indices{1, 3} << Names{"D", "A", "B", "C"} << Indices{0};
    QTest::newRow("down one") << false << Indices{1} << Names{"A", "C", "B", "D"} << Indices{2};
    QTest::newRow("down the first")
        << false << Indices{0} << Names{"B", "A", "C", "D"} << Indices{1};
    QTest::newRow("down at the bottom")
        << false << Indices{3} << Names{"A", "B", "C", "D"} << Indices{3};
    QTest::newRow("down with none") << false << Indices{} << Names{"A", "B", "C", "D"} << Indices{};
    QTest::newRow("down several: last goes below first")
        << false << Indices{0, 2} << Names{"A", "C", "B", "D"} << Indices{1};
    QTest::newRow("down several reaching the end")
        << false << Indices{2, 3} << Names{"A", "B", "C", "D"} << Indices{3};
}

void TestKWDataExportManager::moveUpAndDownFollowTheSelection()
{
    QFETCH(bool, up);
    QFETCH(Indices, selection);
    QFETCH(Names, order);
    QFETCH(Indices, selectionAfter);
    ExportWriter m = fourOnTheRight();
    m.setRightSelection(selection);
    if (up)
        m.moveUp();
    else
        m.moveDown();
    QCOMPARE(names(m.rightKeyArray()), order);
    QCOMPARE(m.rightSelection(), selectionAfter);
}

void TestKWDataExportManager::repeatedMovesWalkAFieldAlongTheList()
{
    ExportWriter m = fourOnTheRight();
    m.setRightSelection({3});
    for (int i = 0; i < 5; ++i)
        m.moveUp();
    QCOMPARE(names(m.rightKeyArray()), (Names{"D", "A", "B", "C"}));
    m.moveDown();
    m.moveDown();
    QCOMPARE(names(m.rightKeyArray()), (Names{"A", "B", "D", "C"}));
    // The export follows the right list's order.
    m.useFieldNamesAsFirstRow = true;
    QCOMPARE(m.composeExport(), QStringLiteral("A\tB\tD\tC"));
}

QTEST_APPLESS_MAIN(TestKWDataExportManager)
#include "tst_exportwriter.moc"
