#include "commands/fieldcommands.h"
#include "commands/importstep.h"
#include "commands/prototypecommands.h"
#include "commands/recordcommands.h"
#include "commands/runcommands.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "core/locationbookmark.h"
#include "exchange/importsession.h"
#include "merge/runlogtext.h"
#include "support/documentbuilder.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace quillory;
using namespace quillory::test;

namespace {

// A document, its history and a window's log, filled with three fields, five records (one
// checked) and three Prototypes.
struct Fixture
{
    Document doc;
    UndoStack stack{doc};
    RunLogText log;
    RecordArrangement listed;
    QTemporaryDir folder;

    Fixture()
    {
        addFields(doc, {"Name", "City", "Zip"});
        const QList<QStringList> rows{{"Ann", "Oslo", "0150"},
                                      {"Bob", "Bergen", "5003"},
                                      {"Cid", "Oslo", "0151"},
                                      {"Dee", "Molde", "6413"},
                                      {"Eve", "Oslo", "0152"}};
        std::vector<Record> records;
        for (int i = 0; i < rows.size(); ++i) {
            MutableRecord r = makeRecord(doc, qint64(rows.size() - i) * 10 + 1, rows[i]);
            r->set(kCheckedKey, Value::boolean(i == 1)); // Bob
            records.push_back(r);
        }
        doc.appendRecords(records);
        doc.recalcLargestCounter();
        for (bool multi : {false, true, true}) {
            auto p = std::make_shared<Prototype>();
            p->uuid = QUuid::createUuid();
            p->isMulti = multi;
            p->path = multi ? QStringLiteral("<Name>/letter.txt") : QStringLiteral("list.txt");
            p->text = QStringLiteral("<Name> in <City>");
            doc.insertPrototype(qsizetype(doc.universalFilePrototypeArray().size()), p);
        }
        log.setText(QStringLiteral("\nCreated file: list.txt"));
        doc.markSaved();
    }

    Record record(int i) const { return doc.dataArray()[size_t(i)]; }
    PrototypePtr prototype(int i) const { return doc.universalFilePrototypeArray()[size_t(i)]; }

    // Everything a document holds that a command may change, a line a part: records and
    // Prototypes by identity and by every value (type and text), as undo must bring them back.
    QStringList state() const
    {
        QStringList s;
        for (const FieldKey& k : doc.keyArray())
            s << "field " + k.innerKey + ' ' + k.publicKey;
        for (const Record& r : doc.dataArray()) {
            std::map<QString, QString> values;
            for (qsizetype i = 0; i < r->size(); ++i)
                values[r->keys()->at(i)] =
                    QString::number(int(r->valueAt(i).type())) + ':' + r->valueAt(i).toText();
            QString line = QStringLiteral("record %1").arg(quintptr(r.get()), 0, 16);
            for (const auto& [key, value] : values)
                line += ' ' + key + '=' + value;
            s << line;
        }
        for (const PrototypePtr& p : doc.universalFilePrototypeArray())
            s << QStringList{QString::number(quintptr(p.get()), 16),
                             p->uuid.toString(),
                             p->path,
                             QString::number(p->isFolder),
                             QString::number(p->isMulti),
                             p->head,
                             p->text,
                             p->separator,
                             p->foot}
                     .join(u'|');
        s << QStringLiteral("destination %1 %2")
                 .arg(doc.selectedDestinationDefined())
                 .arg(QString::fromLatin1(doc.selectedDestinationBookmark().value_or("-").toHex()))
          << QStringLiteral("largest counter %1, checked %2")
                 .arg(doc.largestCounter())
                 .arg(doc.isCheckedRecords())
          << "log " + log.text();
        return s;
    }
};

using Action = std::function<void(Fixture&)>;

// Imports text as a user would: every column becomes a new field.
void importText(Fixture& f, const QString& text, const QString& fileName)
{
    ImportStep step(f.stack, fileName);
    ImportSession session(&step);
    session.loadText(text, ImportSession::FileFormat::Comma);
    session.prepareMapping();
    session.mapAllToNewFields();
    session.run();
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT
private slots:
    // Each command: done, it changes the document and names its step; undone, the whole
    // document is as before; redone, as after.
    void everyCommandUndoesAndRedoesExactly_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("name");

        const auto row = [](const char* tag, const char* name, Action a) {
            QTest::newRow(tag) << a << QString::fromUtf8(name);
        };
        row("add field", "Add Field", [](Fixture& f) { commands::addField(f.stack); });
        row("add named field", "Add Field",
            [](Fixture& f) { commands::addField(f.stack, QStringLiteral("Phone")); });
        row("rename field", "Rename Field",
            [](Fixture& f) { commands::renameField(f.stack, 3, QStringLiteral("Town")); });
        row("rename field and its tags", "Rename Field", [](Fixture& f) {
            commands::renameField(f.stack, 2, QStringLiteral("Nom"), commands::RenameTags::Also);
        });
        row("delete first field", "Delete Field",
            [](Fixture& f) { commands::deleteField(f.stack, 2); });
        row("delete middle field", "Delete Field",
            [](Fixture& f) { commands::deleteField(f.stack, 3); });
        row("add record", "Add Record", [](Fixture& f) { commands::addRecord(f.stack, f.listed); });
        row("add record while searching", "Add Record", [](Fixture& f) {
            f.listed.search = QStringLiteral("bergen");
            commands::addRecord(f.stack, f.listed);
        });
        row("delete one record", "Delete Record",
            [](Fixture& f) { commands::deleteRecords(f.stack, {f.record(2)}); });
        row("delete scattered records", "Delete Records", [](Fixture& f) {
            commands::deleteRecords(f.stack, {f.record(3), f.record(0), f.record(4)});
        });
        row("type in a cell", "Typing in City", [](Fixture& f) {
            commands::editValue(f.stack, f.record(1), QStringLiteral("4"),
                                Value::string(QStringLiteral("Trondheim")));
        });
        row("check a record", "Check", [](Fixture& f) {
            commands::editValue(f.stack, f.record(0), kCheckedKey, Value::boolean(true));
        });
        row("uncheck the checked record", "Uncheck", [](Fixture& f) {
            commands::editValue(f.stack, f.record(1), kCheckedKey, Value::boolean(false));
        });
        row("check all listed", "Check All", [](Fixture& f) {
            f.listed.search = QStringLiteral("oslo");
            commands::changeChecks(f.stack, f.listed, commands::CheckChange::CheckAll);
        });
        row("uncheck all", "Uncheck All", [](Fixture& f) {
            commands::changeChecks(f.stack, f.listed, commands::CheckChange::UncheckAll);
        });
        row("invert checks", "Invert Checks", [](Fixture& f) {
            commands::changeChecks(f.stack, f.listed, commands::CheckChange::Invert);
        });
        row("delete checked", "Delete Checked", [](Fixture& f) {
            commands::changeChecks(f.stack, f.listed, commands::CheckChange::Invert);
            f.stack.closeTyping();
            commands::deleteChecked(f.stack, f.listed);
        });
        row("renumber in a sort", "Renumber", [](Fixture& f) {
            f.listed.sort = RecordSort{QStringLiteral("4"), true};
            commands::renumber(f.stack, f.listed);
        });
        row("sort permanently", "Sort Records", [](Fixture& f) {
            commands::sortRecords(f.stack, RecordSort{QStringLiteral("3"), false});
        });
        row("import", "Import of clients.csv", [](Fixture& f) {
            importText(f, QStringLiteral("Fay,Tromsø\nGus,Bodø\n"), QStringLiteral("clients.csv"));
        });
        row("add All in One Prototype", "Add Path",
            [](Fixture& f) { commands::addPrototype(f.stack, PrototypeSide::AllInOne); });
        row("add One per Record Prototype", "Add Path",
            [](Fixture& f) { commands::addPrototype(f.stack, PrototypeSide::OnePerRecord); });
        row("remove a middle Prototype", "Delete Path",
            [](Fixture& f) { commands::removePrototype(f.stack, f.prototype(1)); });
        row("type a path", "Typing in Path", [](Fixture& f) {
            commands::setPrototypePath(f.stack, f.prototype(2), QStringLiteral("<City>/"));
        });
        row("make a folder", "Make Folder",
            [](Fixture& f) { commands::setPrototypeFolder(f.stack, f.prototype(1), true); });
        row("type a head", "Typing in Head", [](Fixture& f) {
            commands::setPrototypeTemplate(f.stack, f.prototype(0), TemplateKey::Head, "Top");
        });
        row("type a text", "Typing in Text", [](Fixture& f) {
            commands::setPrototypeTemplate(f.stack, f.prototype(0), TemplateKey::Text, "");
        });
        row("type a separator", "Typing in Separator", [](Fixture& f) {
            commands::setPrototypeTemplate(f.stack, f.prototype(0), TemplateKey::Separator, "\n");
        });
        row("type a foot", "Typing in Foot", [](Fixture& f) {
            commands::setPrototypeTemplate(f.stack, f.prototype(0), TemplateKey::Foot, "End");
        });
        row("choose the destination", "Choose Destination",
            [](Fixture& f) { QVERIFY(commands::chooseDestination(f.stack, f.folder.path())); });
        row("clear the log", "Clear Log", [](Fixture& f) { commands::clearLog(f.stack, f.log); });
    }

    void everyCommandUndoesAndRedoesExactly()
    {
        QFETCH(Action, action);
        QFETCH(QString, name);
        Fixture f;
        const QStringList before = f.state();
        action(f);
        const QStringList after = f.state();
        QVERIFY2(before != after, "the command changed nothing");
        QCOMPARE(f.stack.undoName(), name);

        f.stack.undo();
        QCOMPARE(f.stack.redoName(), name);
        while (f.stack.canUndo())
            f.stack.undo();
        QCOMPARE(f.state(), before);
        while (f.stack.canRedo())
            f.stack.redo();
        QCOMPARE(f.state(), after);
        // Twice more: a step must survive being undone and redone again.
        f.stack.undo();
        f.stack.redo();
        QCOMPARE(f.state(), after);
    }

    // Renaming a field offers to rename its tag where a run finds it as that field's; then
    // the Prototypes' texts follow in the same step.
    void renamingAFieldRenamesItsTags_data()
    {
        QTest::addColumn<Action>("prepare");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("offer"); // "from to count", or empty for none
        QTest::addColumn<QString>("texts"); // the first Prototype's path|head|text|separator|foot
        const QString untouched = "list.txt|<Name > <YY>|<Name> in <City>||<a<Name>b>";
        const auto row = [&](const char* tag, Action prepare, int index, const char* name,
                             const char* offer, const QString& texts) {
            QTest::newRow(tag) << prepare << index << QString::fromUtf8(name)
                               << QString::fromUtf8(offer) << texts;
        };
        const Action nothing = [](Fixture&) {};
        const Action sameName = [](Fixture& f) { f.doc.renameField(3, QStringLiteral("Name")); };
        const QString renamed = "list.txt|<Name > <YY>|<Nom> in <City>||<a<Name>b>";
        row("only the field's own tag", nothing, 2, "Nom", "<Name> <Nom> 3", renamed);
        row(
            "a name like a date tag", [](Fixture& f) { f.doc.renameField(3, "YY"); }, 3, "Year", "",
            untouched);
        row("the later of two alike", sameName, 3, "Town", "", untouched);
        row("the earlier of two alike", sameName, 2, "Nom", "<Name> <Nom> 3", renamed);
        // The renamed tags would be filled with the day, or with the earlier field's values.
        row("a new name like a date tag", nothing, 2, "D", "", untouched);
        row("a new name an earlier field has", nothing, 3, "Name", "", untouched);
        row("a tag no Prototype holds", nothing, 4, "Postcode", "", untouched);
        row("a blank name", nothing, 2, "  ", "", untouched);
        row("the same name", nothing, 2, "Name", "", untouched);
    }

    void renamingAFieldRenamesItsTags()
    {
        QFETCH(Action, prepare);
        QFETCH(int, index);
        QFETCH(QString, name);
        QFETCH(QString, offer);
        QFETCH(QString, texts);
        Fixture f;
        commands::addField(f.stack, QStringLiteral("a<Name>b"));
        const PrototypePtr p = f.prototype(0);
        f.doc.setPrototypeTemplate(p, TemplateKey::Head, QStringLiteral("<Name > <YY>"));
        f.doc.setPrototypeTemplate(p, TemplateKey::Foot, QStringLiteral("<a<Name>b>"));
        prepare(f);
        const auto shown = [&] {
            return QStringList{p->path, p->head, p->text, p->separator, p->foot}.join(u'|');
        };
        const QString before = shown();
        const std::optional<commands::TagRenameOffer> o =
            commands::tagRenameOffer(f.stack, index, name);
        QCOMPARE(o ? QStringLiteral("%1 %2 %3").arg(o->from, o->to).arg(o->prototypes) : "", offer);
        commands::renameField(f.stack, index, name, commands::RenameTags::Also);
        QCOMPARE(shown(), texts);
        if (!offer.isEmpty()) {
            QCOMPARE(f.prototype(1)->path, QStringLiteral("<Nom>/letter.txt"));
            f.stack.undo();
            QCOMPARE(shown(), before);
            QCOMPARE(f.prototype(1)->path, QStringLiteral("<Name>/letter.txt"));
        }
    }

    // Commands that would change nothing leave no step behind.
    void commandsThatChangeNothingAddNoStep()
    {
        Fixture f;
        QVERIFY(!commands::renameField(f.stack, 2, QStringLiteral("   ")));
        QVERIFY(!commands::renameField(f.stack, 1, QStringLiteral("mark")));
        QVERIFY(commands::renameField(f.stack, 2, QStringLiteral("Name"))); // same name: kept
        QVERIFY(!commands::deleteField(f.stack, 0));
        QVERIFY(!commands::deleteField(f.stack, 5));
        QVERIFY(!commands::editValue(f.stack, f.record(0), QStringLiteral("3"),
                                     Value::string(QStringLiteral("Ann"))));
        QVERIFY(!commands::deleteRecords(f.stack, {f.doc.newRecord(0)}));
        QVERIFY(!commands::setPrototypePath(f.stack, std::make_shared<Prototype>(), "x"));
        QVERIFY(!commands::chooseDestination(f.stack, f.folder.filePath("missing")));
        f.listed.search = QStringLiteral("nobody");
        commands::changeChecks(f.stack, f.listed, commands::CheckChange::CheckAll);
        QCOMPARE(commands::deleteChecked(f.stack, f.listed), 0);
        commands::renumber(f.stack, f.listed);
        QCOMPARE(f.stack.count(), size_t(0));
        QVERIFY(!f.doc.isDocumentEdited());
    }

    // Typing in one cell is one step until the editor closes; another cell starts another.
    void typingIsOneStepUntilTheEditorCloses()
    {
        Fixture f;
        const Record ann = f.record(0);
        const QString name = QStringLiteral("3");
        for (const char* typed : {"A", "An", "Ann", "Anna"})
            commands::editValue(f.stack, ann, name, Value::string(QString::fromLatin1(typed)));
        QCOMPARE(f.stack.count(), size_t(1));
        QCOMPARE(f.stack.undoName(), QStringLiteral("Typing in Name"));
        // The step goes back to before the first keystroke and forward to after the last.
        f.stack.undo();
        QCOMPARE(ann->text(name), QStringLiteral("Ann"));
        f.stack.redo();
        QCOMPARE(ann->text(name), QStringLiteral("Anna"));
        commands::editValue(f.stack, ann, QStringLiteral("4"), Value::string("Os"));
        QCOMPARE(f.stack.count(), size_t(2));
        f.stack.closeTyping();
        commands::editValue(f.stack, ann, QStringLiteral("4"), Value::string("Oslo!"));
        QCOMPARE(f.stack.count(), size_t(3));

        f.stack.undo();
        QCOMPARE(ann->text(QStringLiteral("4")), QStringLiteral("Os"));
        f.stack.undo();
        f.stack.undo();
        QCOMPARE(ann->text(name), QStringLiteral("Ann"));
        QCOMPARE(ann->text(QStringLiteral("4")), QStringLiteral("Oslo"));
        // After an undo typing starts a new step even in the same cell.
        commands::editValue(f.stack, ann, name, Value::string("B"));
        commands::editValue(f.stack, ann, name, Value::string("Bo"));
        QCOMPARE(f.stack.count(), size_t(1));
        QVERIFY(!f.stack.canRedo());
        // Template editors join their typing the same way.
        commands::setPrototypeTemplate(f.stack, f.prototype(0), TemplateKey::Foot, "E");
        commands::setPrototypeTemplate(f.stack, f.prototype(0), TemplateKey::Foot, "En");
        QCOMPARE(f.stack.count(), size_t(2));
        f.stack.undo();
        QCOMPARE(f.prototype(0)->foot, QString());
        f.stack.redo();
        QCOMPARE(f.prototype(0)->foot, QStringLiteral("En"));
    }

    // Long histories mixing field and record steps: records out of the document while fields
    // come and go are put back exactly as they left.
    void mixedHistoriesComeBackWhole()
    {
        Fixture f;
        const QStringList start = f.state();
        const Record bob = f.record(1);
        commands::deleteRecords(f.stack, {bob});
        commands::addField(f.stack, QStringLiteral("Phone"));
        commands::editValue(f.stack, f.record(0), QStringLiteral("6"), Value::string("555"));
        f.stack.closeTyping();
        commands::deleteField(f.stack, 3); // City, Bob being out of the list
        importText(f, QStringLiteral("Hal,1\n"), QStringLiteral("more.csv"));
        commands::deleteField(f.stack, 2); // Name
        commands::addField(f.stack);       // takes the freed inner key "3"
        commands::renumber(f.stack, f.listed);
        const QStringList end = f.state();

        while (f.stack.canUndo())
            f.stack.undo();
        QCOMPARE(f.state(), start);
        QCOMPARE(f.record(1), bob);
        QCOMPARE(bob->text(QStringLiteral("4")), QStringLiteral("Bergen"));
        QVERIFY(!bob->contains(QStringLiteral("6")));
        while (f.stack.canRedo())
            f.stack.redo();
        QCOMPARE(f.state(), end);
        // The new field under the reused inner key starts empty in every record.
        for (const Record& r : f.doc.dataArray())
            QCOMPARE(r->text(QStringLiteral("3")), QString());
    }

    // An import is one step: its fields and records go and come back together, and the
    // document is untouched until the import ends.
    void importIsOneStep()
    {
        Fixture f;
        ImportStep step(f.stack, QStringLiteral("pupils.csv"));
        ImportSession session(&step);
        session.loadText(QStringLiteral("Ida,7B\nJon,7A\nKai,7B\n"),
                         ImportSession::FileFormat::Comma);
        session.prepareMapping();
        session.mapAllToNewFields();
        session.prepareRun();
        QCOMPARE(f.doc.keyArray().size(), size_t(5)); // nothing made yet
        session.finishRun(session.buildRecords());
        QCOMPARE(step.fieldsAdded(), size_t(2));
        QCOMPARE(step.recordsAdded(), size_t(3));
        QCOMPARE(f.stack.count(), size_t(1));
        QCOMPARE(f.doc.dataArray().size(), size_t(8));
        QCOMPARE(f.doc.dataArray().back()->text(f.doc.keyArray().back().innerKey), "7B");
        // The counters go on from the largest stored one, and the counter width follows.
        QCOMPARE(f.doc.largestCounter(), qint64(54));
        f.stack.undo();
        QCOMPARE(f.doc.dataArray().size(), size_t(5));
        QCOMPARE(f.doc.keyArray().size(), size_t(5));
        QCOMPARE(f.doc.largestCounter(), qint64(51));
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
