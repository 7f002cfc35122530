#include "core/document.h"
#include "core/locationbookmark.h"
#include "merge/generateditems.h"
#include "merge/mergetable.h"
#include "merge/preview.h"
#include "prototypes/prototypecommands.h"
#include "support/documentbuilder.h"

#include <QtTest>

using namespace quillory;

namespace {

std::optional<QString> some(const QString& s)
{
    return s;
}

PrototypePtr addPrototype(Document& doc, const QString& path, bool isFolder, bool isMulti)
{
    PrototypePtr p = PrototypeCommands::getNewDestinationRowMulti(isMulti);
    p->path = path;
    p->isFolder = isFolder;
    doc.universalFilePrototypeArray().push_back(p);
    return p;
}

// The generated item with this path (the test lists hold each path once).
GeneratedItem itemNamed(const Document& doc, const QString& path)
{
    for (const GeneratedItem& i : doc.generatedItems())
        if (i.path == path)
            return i;
    return {};
}

} // namespace

// The records Ann (1), Bob (2) and Cy (3) under the field Name, stored in that order; the
// Prototypes of the run's worked example plus a templated All in One file.
class PreviewTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<Document> m_doc;
    PrototypePtr m_card, m_list;

    Document& doc() { return *m_doc; }

private slots:
    void init()
    {
        m_doc = std::make_unique<Document>();
        doc().setClock([] { return QDateTime(QDate(2007, 3, 5), QTime(9, 4, 2)); });
        doc().prepareOpened();
        test::addFields(doc(), {QStringLiteral("Name")});
        test::addRecord(doc(), 1, {QStringLiteral("Ann")});
        test::addRecord(doc(), 2, {QStringLiteral("Bob")});
        test::addRecord(doc(), 3, {QStringLiteral("Cy")});
        addPrototype(doc(), QStringLiteral("<Name>"), true, true);
        m_card = addPrototype(doc(), QStringLiteral("<Name>/card-<#>.txt"), false, true);
        m_card->head = QStringLiteral("HEAD");
        m_card->text = QStringLiteral("Hello <Name>, <D>");
        m_card->foot = QStringLiteral("FOOT");
        m_list = addPrototype(doc(), QStringLiteral("lists/<Name> <YY>.txt"), false, false);
        m_list->head = QStringLiteral("H<Name>");
        m_list->text = QStringLiteral("[<Name>]");
        m_list->separator = QStringLiteral(" then <Name>: ");
        m_list->foot = QStringLiteral("F<M>");
        GeneratedItems::rebuild(doc());
    }

    void oneRecordItemWithARecord()
    {
        Preview::previewDataTableSelectionDidChange(doc(), doc().dataArray()[1]);
        Preview::previewTableSelectionDidChange(doc(), itemNamed(doc(), "<Name>/card-<#>.txt"));
        QCOMPARE(doc().previewSelectedPrototype(), m_card);
        QCOMPARE(doc().previewNameOfFile, some("Bob/card-2.txt"));
        // Head and foot are not used by a One per Record file.
        QCOMPARE(doc().previewContentOfFile, some("Hello Bob, 05"));

        // Choosing another record recomputes name and content.
        Preview::previewDataTableSelectionDidChange(doc(), doc().dataArray()[2]);
        QCOMPARE(doc().previewNameOfFile, some("Cy/card-3.txt"));
        QCOMPARE(doc().previewContentOfFile, some("Hello Cy, 05"));
    }

    void oneRecordItemWithoutARecordEmptiesTheFieldTags()
    {
        Preview::previewTableSelectionDidChange(doc(), itemNamed(doc(), "<Name>/card-<#>.txt"));
        QCOMPARE(doc().previewNameOfFile, some("/card-.txt"));
        QCOMPARE(doc().previewContentOfFile, some("Hello , 05"));
    }

    void aFolderLevelShowsItsPrototypesContent()
    {
        Preview::previewDataTableSelectionDidChange(doc(), doc().dataArray()[0]);
        // 'lists/' is the folder level of the All in One file at position 2.
        Preview::previewTableSelectionDidChange(doc(), itemNamed(doc(), "lists/"));
        QCOMPARE(doc().previewSelectedPrototype(), m_list);
        QCOMPARE(doc().previewNameOfFile, some("lists/"));
        QCOMPARE(doc().previewContentOfFile, some("H<Name>[Ann] then Bob: [Bob] then Cy: [Cy]F03"));
    }

    void allInOneItemTakesEveryRecordInStoredOrder()
    {
        // The tables' sort and selection play no part.
        doc().setAllDataSort(RecordSort{doc().keyArray()[2].innerKey, false});
        Preview::previewDataTableSelectionDidChange(doc(), doc().dataArray()[2]);
        Preview::previewTableSelectionDidChange(doc(), itemNamed(doc(), "lists/<Name> <YY>.txt"));
        QCOMPARE(doc().previewNameOfFile, some("lists/<Name> 2007.txt"));
        QCOMPARE(doc().previewContentOfFile, some("H<Name>[Ann] then Bob: [Bob] then Cy: [Cy]F03"));

        doc().dataArray().resize(1);
        Preview::recalcContentOfFile(doc());
        QCOMPARE(doc().previewContentOfFile, some("H<Name>[Ann]F03"));
        doc().dataArray().clear();
        Preview::recalcContentOfFile(doc());
        QCOMPARE(doc().previewContentOfFile, some("H<Name>F03"));
    }

    void fullPathPrefixesTheDestination()
    {
        const QString out = m_dir.filePath(QStringLiteral("Out"));
        QVERIFY(QDir().mkpath(out));
        Preview::previewDataTableSelectionDidChange(doc(), doc().dataArray()[0]);
        Preview::previewTableSelectionDidChange(doc(), itemNamed(doc(), "<Name>/card-<#>.txt"));

        Preview::previewNameOfFileUsesFullPathSwitch(doc());
        QVERIFY(doc().previewNameOfFileUsesFullPath);
        QCOMPARE(doc().previewNameOfFile, some("Ann/card-1.txt")); // no destination chosen

        doc().setSelectedDestinationBookmark(
            LocationBookmark::make(out, LocationBookmark::Access::ReadWrite));
        doc().setSelectedDestinationDefined(true);
        Preview::recalcPreviewNameOfFile(doc());
        QCOMPARE(doc().previewNameOfFile, some(out + "/Ann/card-1.txt"));

        Preview::previewNameOfFileUsesFullPathSwitch(doc());
        QCOMPARE(doc().previewNameOfFile, some("Ann/card-1.txt"));
    }

    void fullPathDestinationGoesThroughTheSubstitution()
    {
        const QString dated = m_dir.filePath(QStringLiteral("<YY>"));
        QVERIFY(QDir().mkpath(dated));
        doc().setSelectedDestinationBookmark(
            LocationBookmark::make(dated, LocationBookmark::Access::ReadWrite));
        doc().previewNameOfFileUsesFullPath = true;
        Preview::previewTableSelectionDidChange(doc(), itemNamed(doc(), "lists/"));
        QCOMPARE(doc().previewNameOfFile, some(m_dir.filePath("2007") + "/lists/"));
    }

    void noItemSelected()
    {
        Preview::previewTableSelectionDidChange(doc(), itemNamed(doc(), "<Name>/card-<#>.txt"));
        const auto content = doc().previewContentOfFile;
        QVERIFY(content);
        Preview::previewTableSelectionDidChange(doc(), std::nullopt);
        QVERIFY(!doc().previewNameOfFile);
        QCOMPARE(doc().previewSelectedPrototype(), m_card);
        QCOMPARE(doc().previewContentOfFile, content);

        // With no Prototype either, the content is left as it is.
        doc().setPreviewSelectedPrototype(nullptr);
        doc().previewContentOfFile = QStringLiteral("kept");
        Preview::recalcContentOfFile(doc());
        QCOMPARE(doc().previewContentOfFile, some("kept"));
    }

    void staleItemShowsNoContent()
    {
        Preview::previewTableSelectionDidChange(doc(), itemNamed(doc(), "lists/"));
        QVERIFY(doc().previewContentOfFile);
        const GeneratedItem stale{QStringLiteral("gone.txt"), false, false, 7};
        Preview::previewTableSelectionDidChange(doc(), stale);
        QVERIFY(!doc().previewSelectedPrototype());
        QVERIFY(!doc().previewContentOfFile);
        QCOMPARE(doc().previewNameOfFile, some("gone.txt"));
    }

    void mergeTableSelectsThePrototypeAtTheItemsPosition()
    {
        MergeTable::mergeTableSelectionDidChange(doc(), itemNamed(doc(), "<Name>/"));
        QCOMPARE(doc().mergeSelectedPrototype(), doc().universalFilePrototypeArray()[0]);
        QCOMPARE(doc().mergeNameOfFileExample, some("<Name>/"));

        MergeTable::mergeTableSelectionDidChange(doc(), itemNamed(doc(), "lists/"));
        QCOMPARE(doc().mergeSelectedPrototype(), m_list);
        QCOMPARE(doc().mergeNameOfFileExample, some("lists/"));

        // No item: the Prototype stays, the example is emptied.
        MergeTable::mergeTableSelectionDidChange(doc(), std::nullopt);
        QCOMPARE(doc().mergeSelectedPrototype(), m_list);
        QVERIFY(!doc().mergeNameOfFileExample);

        MergeTable::mergeTableSelectionDidChange(doc(), GeneratedItem{"x", true, true, 3});
        QVERIFY(!doc().mergeSelectedPrototype());
        QCOMPARE(doc().mergeNameOfFileExample, some("x"));
    }
};

QTEST_GUILESS_MAIN(PreviewTest)
#include "tst_preview.moc"
