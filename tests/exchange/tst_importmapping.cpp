// Import rows brought into a document: the header guess, the mapping of columns to fields and
// the records and counters an import makes.
#include "casefile.h"
#include "commands/importstep.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "exchange/importheaderguess.h"
#include "exchange/importsession.h"
#include "support/documentbuilder.h"

using namespace quillory;

namespace {

// An import into a document as the window and the command-line tool make one: the session
// fills an ImportStep, which adds the fields and records when the import ends.
struct Import
{
    explicit Import(Document& doc) : stack(doc), step(stack, QStringLiteral("rows.txt")) {}
    UndoStack stack;
    ImportStep step;
};

// A destination as the case rows name it: "skip", "new" or "field:" with a field's name or,
// failing that, an inner key (of any field, built-in ones included, or of none).
ImportDestination destinationNamed(const Document& doc, const QString& name)
{
    if (name == QLatin1String("skip"))
        return ImportDestination::skip();
    if (name == QLatin1String("new"))
        return ImportDestination::newField();
    const QString field = name.mid(6);
    for (const FieldKey& key : doc.keyArray())
        if (key.publicKey == field && !field.isEmpty())
            return ImportDestination::field(key.innerKey);
    return ImportDestination::field(field);
}

// The name of a destination as the case rows write it.
QString nameOf(const Document& doc, const ImportDestination& destination)
{
    switch (destination.kind()) {
    case ImportDestination::Kind::Skip:
        return QStringLiteral("skip");
    case ImportDestination::Kind::NewField:
        return QStringLiteral("new");
    case ImportDestination::Kind::Field:
        break;
    }
    for (const FieldKey& key : doc.keyArray())
        if (key.innerKey == destination.innerKey())
            return QStringLiteral("field:") + key.publicKey;
    return QStringLiteral("field:#") + destination.innerKey();
}

// Runs a case's commands: "c>d" sends column c to destination d ("c>d!" expects the choice
// refused), "cascade", "new", "reset", "header" (map from the first row) and "guess" or
// "guess:no" (the header guess applied, taking the first row as a header or not).
void apply(const Document& doc, ImportSession& session, const QJsonValue& commands)
{
    for (const QString& c : texts(commands)) {
        const QStringList p = QString(c).remove(u'!').split(u'>');
        if (p.size() == 2) {
            const auto before = session.mapping();
            const bool refused = c.endsWith(u'!');
            QVERIFY2(session.setDestination(p[0].toInt(), destinationNamed(doc, p[1])) != refused,
                     qPrintable(c));
            if (refused)
                QVERIFY2(session.mapping() == before, qPrintable(c));
        } else if (c == QLatin1String("cascade")) {
            session.mapInCascade();
        } else if (c == QLatin1String("new")) {
            session.mapAllToNewFields();
        } else if (c == QLatin1String("reset")) {
            session.resetMapping();
        } else if (c == QLatin1String("header")) {
            session.mapFromFirstRow();
        } else if (c.startsWith(QLatin1String("guess"))) {
            ImportHeaderGuess(session.importRows(), session.destinationFields())
                .applyTo(session, c == QLatin1String("guess"));
        } else {
            QFAIL(qPrintable(c));
        }
    }
}

// Numbers past what a JSON number holds exactly (the largest counters) are written as text.
QList<qint64> numbers(const QJsonValue& list)
{
    QList<qint64> out;
    for (const QJsonValue& v : list.toArray())
        out << (v.isString() ? v.toString().toLongLong() : v.toInteger());
    return out;
}

QList<qint64> countersFrom(const Document& doc, size_t first)
{
    QList<qint64> out;
    for (size_t i = first; i < doc.dataArray().size(); ++i)
        out << doc.dataArray()[i]->value(kCounterKey).toInteger();
    return out;
}

// User fields named as given, with inner keys "3", "4"… in order.
std::vector<FieldKey> fieldsNamed(const QStringList& names)
{
    std::vector<FieldKey> fields;
    for (const QString& name : names)
        fields.push_back({QString::number(fields.size() + 3), name});
    return fields;
}

using Evidence = ImportHeaderGuess::Evidence;

} // namespace

class TestImportMapping : public QObject
{
    Q_OBJECT

private slots:
    // Rows [name, a tab-separated file, the document's user fields, what the guess sees in the
    // first row ("names", "numbers" over text or "none"), and the field each column names ("3"
    // the first field, "4" the second)].
    void firstRowShapes_data() { addCaseRows(QStringLiteral("headerguess.json")); }
    void firstRowShapes()
    {
        QFETCH(QJsonArray, row);
        ImportSession session;
        session.loadText(row[1].toString(), ImportSession::FileFormat::Tab);
        const ImportHeaderGuess guess(session.importRows(), fieldsNamed(texts(row[2])));
        const std::map<QString, Evidence> evidence{{"names", Evidence::FieldNames},
                                                   {"numbers", Evidence::TextOverNumbers},
                                                   {"none", Evidence::None}};
        QCOMPARE(int(guess.evidence()), int(evidence.at(row[3].toString())));
        QCOMPARE(guess.fieldOfColumn(), texts(row[4]));
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

    void destinationsFollowTheFields()
    {
        Document doc;
        test::fillDocument(doc, {"Name", "City"}, {});
        Import import(doc);
        ImportSession session(&import.step);
        session.loadText(QStringLiteral("a,b"), ImportSession::FileFormat::Comma);
        // Nothing to choose from until the mapping is prepared.
        QVERIFY(session.destinationFields().empty());
        QVERIFY(!session.setDestination(0, ImportDestination::field(doc.keyArray()[2].innerKey)));
        session.prepareMapping();
        const std::vector<FieldKey> userFields(doc.keyArray().begin() + kFirstUserKeyIndex,
                                               doc.keyArray().end());
        QCOMPARE(session.destinationFields(), userFields);
        // A field made afterwards can be chosen once the mapping is prepared again, which
        // rebuilds the list instead of growing it.
        const QString zip = import.step.insertField(QStringLiteral("Zip"));
        QVERIFY(!session.setDestination(1, ImportDestination::field(zip)));
        session.prepareMapping();
        QStringList names;
        for (const FieldKey& f : session.destinationFields())
            names << f.publicKey;
        QCOMPARE(names, (QStringList{"Name", "City", "Zip"}));
        QVERIFY(session.setDestination(1, ImportDestination::field(zip)));
        QCOMPARE(session.mapping()[1], ImportDestination::field(zip));
    }

    // Rows [name, fields, text, commands, destination of each column].
    void mapping_data() { addCaseRows(QStringLiteral("mapping.json")); }
    void mapping()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        test::fillDocument(doc, texts(row[1]), {});
        Import import(doc);
        ImportSession session(&import.step);
        session.loadText(row[2].toString(), ImportSession::FileFormat::Automatic);
        session.prepareMapping();
        apply(doc, session, row[3]);
        QStringList got;
        for (const ImportDestination& d : session.mapping())
            got << nameOf(doc, d);
        QCOMPARE(got, texts(row[4]));
        QCOMPARE(session.numberOfImportedFields(), got.size() - got.count(QStringLiteral("skip")));
        QVERIFY(doc.dataArray().empty()); // only run() imports
    }

    // Rows [name, fields, text, commands, header names for new fields, fields after, user values
    // of the records, their counters, and where a record lists fewer than every key, how many
    // each lists].
    void run_data() { addCaseRows(QStringLiteral("run.json")); }
    void run()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        test::fillDocument(doc, texts(row[1]), {});
        Import import(doc);
        ImportSession session(&import.step);
        session.setUseHeaderNamesForNewFields(row[4].toBool());
        session.loadText(row[2].toString(), ImportSession::FileFormat::Automatic);
        session.prepareMapping();
        apply(doc, session, row[3]);
        session.run();
        QCOMPARE(test::publicKeys(doc).mid(kFirstUserKeyIndex), texts(row[5]));
        QList<QStringList> values;
        QList<qint64> listed;
        for (const Record& r : doc.dataArray()) {
            values << QStringList();
            for (const QString& key : test::innerKeys(doc).mid(kFirstUserKeyIndex))
                values.back() << r->value(key).toString();
            // Only the document's keys: never an entry for a skipped or a new-field column.
            for (qsizetype i = 0; i < r->size(); ++i)
                QVERIFY(test::innerKeys(doc).contains(r->keyAt(i)));
            listed << r->size();
            QCOMPARE(r->value(kCheckedKey), Value::boolean(false));
        }
        if (row.size() > 8)
            QCOMPARE(listed, numbers(row[8]));
        else
            QCOMPARE(listed, QList<qint64>(listed.size(), qint64(doc.keyArray().size())));
        QCOMPARE(values, textRows(row[6]));
        QCOMPARE(countersFrom(doc, 0), numbers(row[7]));
    }

    // Rows [name, counters there, mapping prepared before the run, first row skipped, new
    // counters].
    void countersFollowTheLargest_data() { addCaseRows(QStringLiteral("counters.json")); }
    void countersFollowTheLargest()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        test::fillDocument(doc, {"Name"}, {});
        const QList<qint64> existing = numbers(row[1]);
        for (qint64 c : existing)
            test::addRecord(doc, c, {"old"});
        // A target attached after parsing receives the import.
        ImportSession session;
        session.setDoNotImportFirstRecord(row[3].toBool());
        session.loadText(QStringLiteral("h\na\nb"), ImportSession::FileFormat::Tab);
        Import import(doc);
        session.setTarget(&import.step);
        if (row[2].toBool())
            session.prepareMapping();
        session.run();
        QCOMPARE(countersFrom(doc, size_t(existing.size())), numbers(row[4]));
    }
};

QTEST_APPLESS_MAIN(TestImportMapping)
#include "tst_importmapping.moc"
