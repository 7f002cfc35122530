#include "prototypes/prototypecommands.h"
#include "support/documentbuilder.h"

#include <QtTest>

using namespace quillory;

namespace {

using Protos = std::vector<PrototypePtr>;
using Commands = PrototypeCommands;
constexpr PrototypeSide kOne = PrototypeSide::AllInOne;
constexpr PrototypeSide kMulti = PrototypeSide::OnePerRecord;

const auto otherSide = [](PrototypeSide side) { return side == kOne ? kMulti : kOne; };
const auto example = [](const Document& doc, PrototypeSide side) {
    return side == kMulti ? doc.multiNameOfFileExample : doc.oneNameOfFileExample;
};

} // namespace

Q_DECLARE_METATYPE(PrototypeSide)

class PrototypeCommandsTest : public QObject
{
    Q_OBJECT
    static void sides()
    {
        QTest::addColumn<PrototypeSide>("side");
        QTest::newRow("All in One") << kOne;
        QTest::newRow("One per Record") << kMulti;
    }

private slots:
    void addMakesAnUndoablePrototypeOfItsSide_data() { sides(); }
    void addMakesAnUndoablePrototypeOfItsSide()
    {
        QFETCH(PrototypeSide, side);
        Document doc;
        const PrototypePtr other = Commands::add(doc, otherSide(side));
        const PrototypePtr p = Commands::add(doc, side);
        QCOMPARE(doc.universalFilePrototypeArray(), (Protos{other, p}));
        QVERIFY(p->uuid != other->uuid);
        QCOMPARE(Commands::selected(doc, side), p);
        QCOMPARE(Commands::selected(doc, otherSide(side)), other);
        QCOMPARE(example(doc, side), QStringLiteral("Untitled"));

        QCOMPARE(doc.undoManager().undoActionName(), QStringLiteral("Add Path"));
        doc.undoManager().undo();
        QCOMPARE(doc.universalFilePrototypeArray(), Protos{other});
        QVERIFY(!Commands::selected(doc, side));
        QVERIFY(!example(doc, side));
        doc.undoManager().redo();
        QCOMPARE(doc.universalFilePrototypeArray(), (Protos{other, p}));
        // A listed Prototype is not appended twice, nor is an undo step added for it.
        Commands::append(doc, p);
        doc.undoManager().undo();
        QCOMPARE(doc.universalFilePrototypeArray(), Protos{other});
    }

    void removalUndoPutsThePrototypeLast_data() { sides(); }
    void removalUndoPutsThePrototypeLast()
    {
        QFETCH(PrototypeSide, side);
        Document doc;
        const PrototypePtr p0 = Commands::add(doc, side);
        const PrototypePtr other = Commands::add(doc, otherSide(side));
        const PrototypePtr p1 = Commands::add(doc, side);
        Commands::select(doc, side, p0);
        doc.setMergeSelectedPrototype(p0);
        doc.setPreviewSelectedPrototype(p0);
        Commands::removeSelected(doc, side);
        QCOMPARE(doc.universalFilePrototypeArray(), (Protos{other, p1}));
        QVERIFY(!Commands::selected(doc, side) && !example(doc, side));
        QVERIFY(!doc.mergeSelectedPrototype() && !doc.previewSelectedPrototype());
        QCOMPARE(doc.undoManager().undoActionName(), QStringLiteral("Delete Path"));

        doc.undoManager().undo();
        QCOMPARE(doc.universalFilePrototypeArray(), (Protos{other, p1, p0}));
        QCOMPARE(Commands::prototypes(doc, side), (Protos{p1, p0}));
        // Only the One per Record side selects what comes back.
        QCOMPARE(Commands::selected(doc, side), side == kMulti ? p0 : PrototypePtr());
        doc.undoManager().redo();
        QCOMPARE(doc.universalFilePrototypeArray(), (Protos{other, p1}));

        // Without a listed selection there is nothing to remove.
        const qint64 changes = doc.changeCount();
        for (const PrototypePtr& none : {PrototypePtr(), Commands::newPrototype(side)}) {
            Commands::select(doc, side, none);
            Commands::removeSelected(doc, side);
        }
        QCOMPARE(doc.changeCount(), changes);
    }

    void menuCommandsActOnTheShownSide_data()
    {
        QTest::addColumn<QStringList>("tabs");
        QTest::newRow("database tab, All in One") << QStringList{"db", "one"};
        QTest::newRow("merge tab, One per Record") << QStringList{"merge", "multi"};
        QTest::newRow("Prototype tab, One per Record") << QStringList{"file", "multi"};
    }
    void menuCommandsActOnTheShownSide()
    {
        QFETCH(QStringList, tabs);
        const PrototypeSide side = tabs[1] == QLatin1String("multi") ? kMulti : kOne;
        Document doc;
        const PrototypePtr other = Commands::add(doc, otherSide(side));
        doc.setMainTabId(tabs[0]);
        doc.setSecTabId(tabs[1]);
        const PrototypePtr p = Commands::addOnShownSide(doc);
        QCOMPARE(doc.mainTabId(), QStringLiteral("file"));
        QCOMPARE(Commands::sideOf(*p), side);
        doc.setMainTabId(QStringLiteral("db"));
        QVERIFY(!Commands::canRemoveOnShownSide(doc));
        Commands::removeOnShownSide(doc);
        QCOMPARE(doc.universalFilePrototypeArray().size(), size_t(2));
        doc.setMainTabId(QStringLiteral("file"));
        Commands::removeOnShownSide(doc);
        QCOMPARE(doc.universalFilePrototypeArray(), Protos{other});
        QVERIFY(!Commands::canRemoveOnShownSide(doc));
    }

    void typedTemplatesGoToTheMergeSelection()
    {
        Document doc;
        const PrototypePtr one = Commands::add(doc, kOne);
        const PrototypePtr multi = Commands::add(doc, kMulti);
        Commands::mergeTemplateTextDidChange(doc, TemplateKey::Foot, QStringLiteral("F"));
        QVERIFY(one->foot.isEmpty() && multi->foot.isEmpty()); // nothing selected there
        doc.setMergeSelectedPrototype(multi);
        Commands::mergeTemplateTextDidChange(doc, TemplateKey::Foot, QStringLiteral("F"));
        QCOMPARE(multi->foot, QStringLiteral("F"));
        QVERIFY(one->foot.isEmpty() && multi->head.isEmpty());
    }
};

QTEST_GUILESS_MAIN(PrototypeCommandsTest)
#include "tst_prototypecommands.moc"
