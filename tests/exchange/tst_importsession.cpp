#include "casefile.h"
#include "commands/importstep.h"
#include "commands/undostack.h"
#include "core/document.h"
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
// refused), "cascade", "new", "reset" and "header" (map from the first row).
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

} // namespace

class TestImportSession : public QObject
{
    Q_OBJECT

private slots:
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

    void aTargetAttachedAfterParsingReceivesTheImport()
    {
        Document doc;
        test::fillDocument(doc, {"Name"}, {{"old"}});
        ImportSession session;
        session.loadText(QStringLiteral("a\nb"), ImportSession::FileFormat::Tab);
        Import import(doc);
        session.setTarget(&import.step);
        session.prepareMapping();
        QVERIFY(session.setDestination(0, ImportDestination::field(doc.keyArray()[2].innerKey)));
        session.run();
        QCOMPARE(countersFrom(doc, 1), (QList<qint64>{2, 3}));
        QCOMPARE(doc.dataArray()[2]->value(doc.keyArray()[2].innerKey).toString(), "b");
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
        Import import(doc);
        ImportSession session(&import.step);
        session.setDoNotImportFirstRecord(row[3].toBool());
        session.loadText(QStringLiteral("h\na\nb"), ImportSession::FileFormat::Tab);
        // Loading never imports by itself.
        QCOMPARE(doc.dataArray().size(), size_t(existing.size()));
        if (row[2].toBool())
            session.prepareMapping();
        session.run();
        QCOMPARE(countersFrom(doc, size_t(existing.size())), numbers(row[4]));
    }
};

QTEST_APPLESS_MAIN(TestImportSession)
#include "tst_importsession.moc"
