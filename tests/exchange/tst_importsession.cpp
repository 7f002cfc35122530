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

// Runs a case's commands: "c>d" chooses destination d for column c ("c>d!" expects the choice
// refused), "cascade", "new", "reset" and "header" (map from the first row).
void apply(ImportSession& session, const QJsonValue& commands)
{
    for (const QString& c : texts(commands)) {
        const QStringList p = QString(c).remove(u'!').split(u'>');
        if (p.size() == 2)
            QVERIFY2(session.chooseDestination(p[0].toInt(), p[1].toInt()) != c.endsWith(u'!'),
                     qPrintable(c));
        else if (c == QLatin1String("cascade"))
            session.mapInCascade();
        else if (c == QLatin1String("new"))
            session.mapAllToNewFields();
        else if (c == QLatin1String("reset"))
            session.resetMapping();
        else if (c == QLatin1String("header"))
            session.mapFromFirstRow();
        else
            QFAIL(qPrintable(c));
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
        session.loadText(QStringLiteral("a,b"), ImportSession::CommaFormat);
        QCOMPARE(session.destinationKeys(),
                 QStringList({"NO_IMPORT", "", "NEW_FIELD", ""}) + test::innerKeys(doc).mid(2));
        // Opening the settings again rebuilds the list instead of growing it.
        const QString zip = import.step.insertField(QStringLiteral("Zip"));
        session.openSettings();
        QCOMPARE(session.destinationMenuTitles().mid(4), (QStringList{"Name", "City", "Zip"}));
        QCOMPARE(session.destinationKeys().mid(4), test::innerKeys(doc).mid(2) << zip);
    }

    void aTargetAttachedAfterParsingReceivesTheImport()
    {
        Document doc;
        test::fillDocument(doc, {"Name"}, {{"old"}});
        ImportSession session;
        session.loadText(QStringLiteral("a\nb"), ImportSession::TabFormat);
        Import import(doc);
        session.setTarget(&import.step);
        session.openSettings();
        QVERIFY(session.chooseDestination(0, ImportSession::rowToStartCascadeAssignment));
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
        session.loadText(row[2].toString(), ImportSession::AutomaticFormat);
        apply(session, row[3]);
        QList<qint64> got;
        for (const ImportMappingRow& m : session.mappingRows()) {
            got << m.destination;
            QCOMPARE(m.importFlag, m.destination != 0 ? ImportSession::kImportFlag : QString());
        }
        QCOMPARE(got, numbers(row[4]));
        QCOMPARE(session.numberOfImportedFields(), got.size() - got.count(0));
        QVERIFY(doc.dataArray().empty()); // only run() imports
    }

    // Rows [name, fields, text, commands, header names for new fields, fields after, user values
    // of the records, their counters].
    void run_data() { addCaseRows(QStringLiteral("run.json")); }
    void run()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        test::fillDocument(doc, texts(row[1]), {});
        Import import(doc);
        ImportSession session(&import.step);
        session.setUseHeaderNamesForNewFields(row[4].toBool());
        session.loadText(row[2].toString(), ImportSession::AutomaticFormat);
        apply(session, row[3]);
        session.run();
        QCOMPARE(test::publicKeys(doc).mid(kFirstUserKeyIndex), texts(row[5]));
        QList<QStringList> values;
        for (const Record& r : doc.dataArray()) {
            values << QStringList();
            for (const QString& key : test::innerKeys(doc).mid(kFirstUserKeyIndex))
                values.back() << r->value(key).toString();
            // Only the document's keys: never an entry for a skipped or a new-field column.
            QCOMPARE(size_t(r->size()), doc.keyArray().size());
            QCOMPARE(r->value(kCheckedKey), Value::boolean(false));
        }
        QCOMPARE(values, textRows(row[6]));
        QCOMPARE(countersFrom(doc, 0), numbers(row[7]));
    }

    // Rows [name, counters there, through the settings step, first row skipped, new counters].
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
        session.setUseSettingsPanel(row[2].toBool());
        session.setDoNotImportFirstRecord(row[3].toBool());
        session.loadText(QStringLiteral("h\na\nb"), ImportSession::TabFormat);
        if (session.useSettingsPanel())
            session.run();
        QCOMPARE(countersFrom(doc, size_t(existing.size())), numbers(row[4]));
    }
};

QTEST_APPLESS_MAIN(TestImportSession)
#include "tst_importsession.moc"
