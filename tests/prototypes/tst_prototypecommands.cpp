#include "core/document.h"
#include "prototypes/prototypecommands.h"
#include "support/documentbuilder.h"

#include <QtTest>

using namespace quillory;

class PrototypeEditorTest : public QObject
{
    Q_OBJECT
private:
    static PrototypePtr add(Document& doc, bool multi)
    {
        return multi ? PrototypeCommands::addFileFolderDestination(doc)
                     : PrototypeCommands::addOneFileFolderDestination(doc);
    }
    static PrototypePtr selected(const Document& doc, bool multi)
    {
        return multi ? doc.multiSelectedPrototype() : doc.oneSelectedPrototype();
    }
    static void select(Document& doc, bool multi, const PrototypePtr& p)
    {
        if (multi)
            PrototypeCommands::selectMultiPrototype(doc, p);
        else
            PrototypeCommands::selectOnePrototype(doc, p);
    }
    static void remove(Document& doc, bool multi)
    {
        if (multi)
            PrototypeCommands::removeTheDestination(doc);
        else
            PrototypeCommands::removeOneTheDestination(doc);
    }
    static void sides()
    {
        QTest::addColumn<bool>("multi");
        QTest::newRow("All in One") << false;
        QTest::newRow("One per Record") << true;
    }

private slots:
    void addMakesADefaultPrototypeOnItsSide_data() { sides(); }
    void addMakesADefaultPrototypeOnItsSide()
    {
        QFETCH(bool, multi);
        Document doc;
        QVERIFY(doc.universalFilePrototypeArray().empty());
        QSignalSpy changed(&doc, &Document::prototypesChanged);

        const PrototypePtr p = add(doc, multi);
        QVERIFY(p);
        QCOMPARE(doc.universalFilePrototypeArray().size(), size_t(1));
        QCOMPARE(doc.universalFilePrototypeArray().front(), p);
        QVERIFY(!p->uuid.isNull());
        QCOMPARE(p->path, QStringLiteral("Untitled"));
        QCOMPARE(p->isFolder, false);
        QCOMPARE(p->isMulti, multi);
        QVERIFY(p->head.isEmpty() && p->text.isEmpty());
        QVERIFY(p->separator.isEmpty() && p->foot.isEmpty());
        QCOMPARE(selected(doc, multi), p);
        QVERIFY(!selected(doc, !multi));
        QVERIFY(doc.isDocumentEdited());
        QVERIFY(changed.count() >= 1);
        // Listed in its own view only.
        const auto own = multi ? PrototypeCommands::multiFilePrototypes(doc)
                               : PrototypeCommands::oneFilePrototypes(doc);
        const auto other = multi ? PrototypeCommands::oneFilePrototypes(doc)
                                 : PrototypeCommands::multiFilePrototypes(doc);
        QCOMPARE(own, std::vector<PrototypePtr>{p});
        QVERIFY(other.empty());
        // The example of the new Prototype is shown at once.
        const auto& example = multi ? doc.multiNameOfFileExample : doc.oneNameOfFileExample;
        QCOMPARE(example, std::optional<QString>(QStringLiteral("Untitled")));
    }

    void eachNewPrototypeHasItsOwnUuid()
    {
        const PrototypePtr a = PrototypeCommands::getNewDestinationRowMulti(false);
        const PrototypePtr b = PrototypeCommands::getNewDestinationRowMulti(false);
        QVERIFY(a != b);
        QVERIFY(a->uuid != b->uuid);
    }

    void aListedPrototypeIsNotAddedTwice()
    {
        Document doc;
        const PrototypePtr p = add(doc, true);
        doc.undoManager().removeAllActions();
        PrototypeCommands::addTheDestination(doc, p);
        PrototypeCommands::addOneTheDestination(doc, p);
        QCOMPARE(doc.universalFilePrototypeArray(), std::vector<PrototypePtr>{p});
        QVERIFY(!doc.undoManager().canUndo());
    }

    void viewsFilterByKindInListOrder()
    {
        Document doc;
        const PrototypePtr m1 = add(doc, true);
        const PrototypePtr o1 = add(doc, false);
        const PrototypePtr m2 = add(doc, true);
        const PrototypePtr o2 = add(doc, false);
        QCOMPARE(PrototypeCommands::oneFilePrototypes(doc), (std::vector<PrototypePtr>{o1, o2}));
        QCOMPARE(PrototypeCommands::multiFilePrototypes(doc), (std::vector<PrototypePtr>{m1, m2}));
        QCOMPARE(PrototypeCommands::indexOfPrototype(doc, m2), qsizetype(2));
        QCOMPARE(PrototypeCommands::indexOfPrototype(doc, nullptr), qsizetype(-1));
        // The views share the objects: an edit through one is seen by the list.
        o2->path = QStringLiteral("shared");
        QCOMPARE(doc.universalFilePrototypeArray()[3]->path, QStringLiteral("shared"));
    }

    void undoAndRedoOfAnAdd_data() { sides(); }
    void undoAndRedoOfAnAdd()
    {
        QFETCH(bool, multi);
        Document doc;
        const PrototypePtr first = add(doc, multi);
        const PrototypePtr p = add(doc, multi);
        const QUuid uuid = p->uuid;
        QCOMPARE(doc.undoManager().undoActionName(), QStringLiteral("Add Path"));

        const qint64 before = doc.changeCount();
        doc.undoManager().undo();
        QCOMPARE(doc.universalFilePrototypeArray(), std::vector<PrototypePtr>{first});
        QVERIFY(!selected(doc, multi)); // the removed Prototype is not left selected
        QVERIFY(doc.changeCount() > before);
        QCOMPARE(doc.undoManager().redoActionName(), QStringLiteral("Add Path"));

        doc.undoManager().redo();
        QCOMPARE(doc.universalFilePrototypeArray(), (std::vector<PrototypePtr>{first, p}));
        QCOMPARE(doc.universalFilePrototypeArray().back()->uuid, uuid);
        QCOMPARE(doc.undoManager().undoActionName(), QStringLiteral("Add Path"));

        // The chain holds: undo twice empties the list, redo twice restores it in order.
        doc.undoManager().undo();
        doc.undoManager().undo();
        QVERIFY(doc.universalFilePrototypeArray().empty());
        doc.undoManager().redo();
        doc.undoManager().redo();
        QCOMPARE(doc.universalFilePrototypeArray(), (std::vector<PrototypePtr>{first, p}));
    }

    void undoOfARemovalPutsThePrototypeLast_data() { sides(); }
    void undoOfARemovalPutsThePrototypeLast()
    {
        QFETCH(bool, multi);
        Document doc;
        const PrototypePtr p0 = add(doc, multi);
        const PrototypePtr p1 = add(doc, multi);
        const PrototypePtr p2 = add(doc, multi);
        select(doc, multi, p0);

        remove(doc, multi);
        QCOMPARE(doc.universalFilePrototypeArray(), (std::vector<PrototypePtr>{p1, p2}));
        QCOMPARE(doc.undoManager().undoActionName(), QStringLiteral("Delete Path"));
        QVERIFY(!selected(doc, multi));

        doc.undoManager().undo();
        QCOMPARE(doc.universalFilePrototypeArray(), (std::vector<PrototypePtr>{p1, p2, p0}));
        QCOMPARE(doc.undoManager().redoActionName(), QStringLiteral("Delete Path"));
        // Only the One per Record side selects what it puts back.
        QCOMPARE(selected(doc, multi), multi ? p0 : PrototypePtr());

        doc.undoManager().redo();
        QCOMPARE(doc.universalFilePrototypeArray(), (std::vector<PrototypePtr>{p1, p2}));
        doc.undoManager().undo();
        QCOMPARE(doc.universalFilePrototypeArray(), (std::vector<PrototypePtr>{p1, p2, p0}));
        QCOMPARE(doc.universalFilePrototypeArray().back()->uuid, p0->uuid);
    }

    void removalTakesOnlyTheSelectedOfItsSide()
    {
        Document doc;
        const PrototypePtr o = add(doc, false);
        const PrototypePtr m = add(doc, true);
        PrototypeCommands::removeTheDestination(doc);
        QCOMPARE(doc.universalFilePrototypeArray(), std::vector<PrototypePtr>{o});
        QCOMPARE(doc.oneSelectedPrototype(), o);
        QVERIFY(!doc.multiSelectedPrototype());
        QVERIFY(!doc.multiNameOfFileExample);
        Q_UNUSED(m)
    }

    void removalWithoutSelectionDoesNothing_data() { sides(); }
    void removalWithoutSelectionDoesNothing()
    {
        QFETCH(bool, multi);
        Document doc;
        add(doc, multi);
        select(doc, multi, nullptr);
        doc.undoManager().removeAllActions();
        const qint64 count = doc.changeCount();
        remove(doc, multi);
        QCOMPARE(doc.universalFilePrototypeArray().size(), size_t(1));
        QVERIFY(!doc.undoManager().canUndo());
        QCOMPARE(doc.changeCount(), count);
        // A Prototype that is no longer listed cannot be removed a second time either.
        const PrototypePtr stranger = PrototypeCommands::getNewDestinationRowMulti(multi);
        select(doc, multi, stranger);
        remove(doc, multi);
        QVERIFY(!doc.undoManager().canUndo());
    }

    void removalClearsEverySelectionOfThePrototype()
    {
        Document doc;
        const PrototypePtr p = add(doc, false);
        doc.setMergeSelectedPrototype(p);
        doc.setPreviewSelectedPrototype(p);
        PrototypeCommands::removeOneTheDestination(doc);
        QVERIFY(!doc.oneSelectedPrototype());
        QVERIFY(!doc.mergeSelectedPrototype());
        QVERIFY(!doc.previewSelectedPrototype());
        QVERIFY(!doc.oneNameOfFileExample);
    }

    void genericAddShowsTheDestinationTab_data()
    {
        QTest::addColumn<QString>("mainTab");
        QTest::addColumn<QString>("secTab");
        QTest::newRow("database tab, one") << "db"
                                           << "one";
        QTest::newRow("database tab, multi") << "db"
                                             << "multi";
        QTest::newRow("merge tab, multi") << "merge"
                                          << "multi";
        QTest::newRow("destination tab, one") << "file"
                                              << "one";
    }
    void genericAddShowsTheDestinationTab()
    {
        QFETCH(QString, mainTab);
        QFETCH(QString, secTab);
        Document doc;
        doc.setMainTabId(mainTab);
        doc.setSecTabId(secTab);
        const PrototypePtr p = PrototypeCommands::addGenericDestination(doc);
        QCOMPARE(doc.mainTabId(), QStringLiteral("file"));
        QCOMPARE(doc.secTabId(), secTab);
        QCOMPARE(p->isMulti, secTab == QLatin1String("multi"));
        QCOMPARE(doc.universalFilePrototypeArray(), std::vector<PrototypePtr>{p});
        QCOMPARE(selected(doc, p->isMulti), p);
    }

    void genericRemoveActsOnlyOnTheDestinationTab()
    {
        Document doc;
        const PrototypePtr o = add(doc, false);
        const PrototypePtr m = add(doc, true);
        doc.setSecTabId(QStringLiteral("multi"));

        doc.setMainTabId(QStringLiteral("db"));
        QVERIFY(!PrototypeCommands::canRemoveGenericDestination(doc));
        PrototypeCommands::removeGenericDestination(doc);
        QCOMPARE(doc.universalFilePrototypeArray().size(), size_t(2));

        doc.setMainTabId(QStringLiteral("file"));
        QVERIFY(PrototypeCommands::canRemoveGenericDestination(doc));
        PrototypeCommands::removeGenericDestination(doc);
        QCOMPARE(doc.universalFilePrototypeArray(), std::vector<PrototypePtr>{o});
        QVERIFY(!PrototypeCommands::canRemoveGenericDestination(doc));

        doc.setSecTabId(QStringLiteral("one"));
        QVERIFY(PrototypeCommands::canRemoveGenericDestination(doc));
        PrototypeCommands::removeGenericDestination(doc);
        QVERIFY(doc.universalFilePrototypeArray().empty());
        Q_UNUSED(m)
    }

    void typingInANameFieldStoresThePath()
    {
        Document doc;
        doc.prepareOpened();
        test::addFields(doc, {QStringLiteral("Name")});
        const PrototypePtr o = add(doc, false);
        const PrototypePtr m = add(doc, true);
        const qint64 count = doc.changeCount();
        PrototypeCommands::oneNameOfFileTextDidChange(doc, QStringLiteral("list.txt"));
        PrototypeCommands::multiNameOfFileTextDidChange(doc, QStringLiteral("<Name>.txt"));
        QCOMPARE(o->path, QStringLiteral("list.txt"));
        QCOMPARE(m->path, QStringLiteral("<Name>.txt"));
        QCOMPARE(doc.oneNameOfFileExample, std::optional<QString>(QStringLiteral("list.txt")));
        QCOMPARE(doc.multiNameOfFileExample, std::optional<QString>(QStringLiteral(".txt")));
        QCOMPARE(doc.changeCount(), count + 2);
        // Same text again: no change to record.
        PrototypeCommands::oneNameOfFileTextDidChange(doc, QStringLiteral("list.txt"));
        QCOMPARE(doc.changeCount(), count + 2);
    }

    void typingInATemplateViewStoresTheTemplate()
    {
        Document doc;
        const PrototypePtr p = add(doc, false);
        PrototypeCommands::mergeTemplateTextDidChange(doc, TemplateKey::Foot, QStringLiteral("F"));
        QVERIFY(p->foot.isEmpty()); // nothing selected on the merge tab
        doc.setMergeSelectedPrototype(p);
        PrototypeCommands::mergeTemplateTextDidChange(doc, TemplateKey::Foot, QStringLiteral("F"));
        PrototypeCommands::mergeTemplateTextDidChange(doc, TemplateKey::Head, QStringLiteral("H"));
        QCOMPARE(p->foot, QStringLiteral("F"));
        QCOMPARE(p->head, QStringLiteral("H"));
        QVERIFY(p->text.isEmpty() && p->separator.isEmpty());
    }
};

QTEST_GUILESS_MAIN(PrototypeEditorTest)
#include "tst_prototypecommands.moc"
