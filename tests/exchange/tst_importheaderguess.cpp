#include "exchange/importheaderguess.h"
#include "exchange/importsession.h"

#include <QTest>

using namespace quillory;

namespace {

// User fields named as given, with inner keys "3", "4"… in order.
std::vector<FieldKey> fieldsNamed(const QStringList& names)
{
    std::vector<FieldKey> fields;
    for (const QString& name : names)
        fields.push_back({QString::number(fields.size() + 3), name});
    return fields;
}

// What a mapping shows, column by column: "skip", "new" or the field's inner key.
QStringList shown(const std::vector<ImportDestination>& mapping)
{
    QStringList out;
    for (const ImportDestination& d : mapping)
        out << (d.isSkip()       ? QStringLiteral("skip")
                : d.isNewField() ? QStringLiteral("new")
                                 : d.innerKey());
    return out;
}

using Evidence = ImportHeaderGuess::Evidence;

// A document that offers its fields as destinations and takes nothing.
struct FieldsOnly : ImportTarget
{
    explicit FieldsOnly(const std::vector<FieldKey>& user)
        : keys{{kCounterKey, "#"}, {kCheckedKey, "sel"}}
    {
        keys.insert(keys.end(), user.begin(), user.end());
    }
    const std::vector<FieldKey>& keyArray() const override { return keys; }
    qint64 largestStoredCounter() const override { return 0; }
    QString insertField(const QString&) override { return {}; }
    void appendImportedRecords(ImportBatch) override {}
    std::vector<FieldKey> keys;
};

} // namespace

class ImportHeaderGuessTest : public QObject
{
    Q_OBJECT

private slots:
    // Rows: a tab-separated file, the document's user fields, what the guess sees in the first
    // row, and the field each column names ("3" the first field, "4" the second).
    void firstRowShapes_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<int>("evidence");
        QTest::addColumn<QStringList>("fieldOfColumn");
        const auto row = [](const char* name, const char* file, const QStringList& fields,
                            Evidence evidence, const QStringList& named) {
            QTest::newRow(name) << QString::fromUtf8(file) << fields << int(evidence) << named;
        };
        const QStringList people{"Name", "Prénom", "City"};
        row("names in another case, order and spacing", "CITY\t  name \nRome\tAnn\n", people,
            Evidence::FieldNames, {"5", "3"});
        row("accents set aside both ways", "prenom\tCíty\nAnn\tRome\n", people,
            Evidence::FieldNames, {"4", "5"});
        row("one name among other words is enough", "Name\tAge\tShoe\nAnn\t30\t41\n", people,
            Evidence::FieldNames, {"3", "", ""});
        row("a field goes to the first column naming it", "name\tNAME\nAnn\tBob\n", people,
            Evidence::FieldNames, {"3", ""});
        row("a blank header names no nameless field", "\tCity\nx\ty\n", QStringList{"", "City"},
            Evidence::FieldNames, {"", "4"});
        row("text over a column of numbers", "Who\tAge\nAnn\t30\nBob\t41\n", people,
            Evidence::TextOverNumbers, {"", ""});
        row("text over dates", "When\tNote\n2024-05-01\tcall\n", {}, Evidence::TextOverNumbers,
            {"", ""});
        row("text over amounts", "Paid\tNote\n€ 12,50\tcash\n-3.5%\t\n", {},
            Evidence::TextOverNumbers, {"", ""});
        row("text over phone numbers", "Phone\tNote\n+41 (0)44 123'45'67\tx\n", {},
            Evidence::TextOverNumbers, {"", ""});
        row("blank cells below say nothing of a column", "Who\tAge\nAnn\t\nBob\t41\n", {},
            Evidence::TextOverNumbers, {"", ""});
        row("all text below: a data row like the others", "Ann\tRome\nBob\tOslo\n", people,
            Evidence::None, {"", ""});
        row("a word among the numbers makes the column text", "Who\tAge\nAnn\t30\nBob\tn/a\n", {},
            Evidence::None, {"", ""});
        row("a number in the first row: data", "Ann\t30\nBob\t41\n", {}, Evidence::None, {"", ""});
        row("a single row: nothing to compare with", "Who\tAge\n", {}, Evidence::None, {"", ""});
        row("a blank first row", "\t\n1\t2\n", {}, Evidence::None, {"", ""});
        row("a header whose text holds digits", "Line 1\tZip\nMain St\t8001\n", {},
            Evidence::TextOverNumbers, {"", ""});
        row("no rows", "", people, Evidence::None, {});
    }
    void firstRowShapes()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, fields);
        ImportSession session;
        session.loadText(file, ImportSession::FileFormat::Tab);
        const ImportHeaderGuess guess(session.importRows(), fieldsNamed(fields));
        QTEST(int(guess.evidence()), "evidence");
        QTEST(guess.fieldOfColumn(), "fieldOfColumn");
    }

    // Rows: the guess, what the document's last import chose (none: nothing remembered), and
    // whether the first row is taken as a header.
    void namesDecideOtherwiseTheLastImportDoes_data()
    {
        QTest::addColumn<int>("evidence");
        QTest::addColumn<int>("remembered");
        QTest::addColumn<bool>("header");
        enum { No, Yes, Unknown };
        const auto row = [](const char* name, Evidence e, int remembered, bool header) {
            QTest::newRow(name) << int(e) << remembered << header;
        };
        row("names, last time no header", Evidence::FieldNames, No, true);
        row("numbers under text, last time no header", Evidence::TextOverNumbers, No, false);
        row("numbers under text, nothing remembered", Evidence::TextOverNumbers, Unknown, true);
        row("nothing seen, last time a header", Evidence::None, Yes, true);
        row("nothing seen, nothing remembered", Evidence::None, Unknown, false);
    }
    void namesDecideOtherwiseTheLastImportDoes()
    {
        QFETCH(int, evidence);
        QFETCH(int, remembered);
        const std::optional<bool> last =
            remembered == 2 ? std::nullopt : std::optional<bool>(remembered == 1);
        QTEST(ImportHeaderGuess::decide(Evidence(evidence), last), "header");
    }

    // Rows: the document's fields, the file, whether the first row is taken as a header, the
    // mapping it starts with, the new fields' names and the records made.
    void aHeaderSetsUpTheMapping_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("header");
        QTest::addColumn<QStringList>("mapping");
        QTest::addColumn<bool>("firstRowSkipped");
        QTest::addColumn<bool>("namedAfterHeader");
        QTest::newRow("fields named: those columns only")
            << QStringList{"Name", "City"} << "Town\tNAME\nRome\tAnn\n"
            << true << QStringList{"skip", "3"} << true << false;
        QTest::newRow("no field: every column a new field named after its header")
            << QStringList{} << "Who\tAge\nAnn\t30\n"
            << true << QStringList{"new", "new"} << true << true;
        QTest::newRow("no header: all left as they were")
            << QStringList{"Name"} << "Name\tAge\nAnn\t30\n"
            << false << QStringList{"skip", "skip"} << false << false;
    }
    void aHeaderSetsUpTheMapping()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, file);
        QFETCH(bool, header);
        FieldsOnly target(fieldsNamed(fields));
        ImportSession session(&target);
        session.loadText(file, ImportSession::FileFormat::Tab);
        session.prepareMapping();
        ImportHeaderGuess(session.importRows(), session.destinationFields())
            .applyTo(session, header);
        QTEST(shown(session.mapping()), "mapping");
        QTEST(session.doNotImportFirstRecord(), "firstRowSkipped");
        QTEST(session.choices().useHeaderNames, "namedAfterHeader");
    }
};

QTEST_GUILESS_MAIN(ImportHeaderGuessTest)

#include "tst_importheaderguess.moc"
