#include "core/document.h"
#include "prototypes/prototypecommands.h"
#include "prototypes/taginsertion.h"
#include "support/documentbuilder.h"

#include <QtTest>

#include <limits>

using namespace quillory;

namespace {

using Insert = EditorState (*)(Document&, const EditorState&, const QString&);

} // namespace

Q_DECLARE_METATYPE(Insert)
Q_DECLARE_METATYPE(TemplateKey)

class TagInsertionTest : public QObject
{
    Q_OBJECT
private slots:
    void replaceSelection_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("start");
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<qsizetype>("cursor");
        constexpr qsizetype huge = std::numeric_limits<qsizetype>::max();
        QTest::newRow("cursor inside")
            << "ab/cd" << qsizetype(3) << qsizetype(0) << "ab/<T>cd" << qsizetype(6);
        QTest::newRow("cursor at start")
            << "ab" << qsizetype(0) << qsizetype(0) << "<T>ab" << qsizetype(3);
        QTest::newRow("cursor at end")
            << "ab" << qsizetype(2) << qsizetype(0) << "ab<T>" << qsizetype(5);
        QTest::newRow("range replaced") << "Invoices/X.txt" << qsizetype(9) << qsizetype(1)
                                        << "Invoices/<T>.txt" << qsizetype(12);
        QTest::newRow("whole text replaced")
            << "abc" << qsizetype(0) << qsizetype(3) << "<T>" << qsizetype(3);
        QTest::newRow("empty text") << "" << qsizetype(0) << qsizetype(0) << "<T>" << qsizetype(3);
        QTest::newRow("start past the end")
            << "ab" << qsizetype(40) << qsizetype(2) << "ab<T>" << qsizetype(5);
        QTest::newRow("negative start")
            << "ab" << qsizetype(-5) << qsizetype(0) << "<T>ab" << qsizetype(3);
        QTest::newRow("range past the end")
            << "abcd" << qsizetype(2) << qsizetype(10) << "ab<T>" << qsizetype(5);
        QTest::newRow("huge range") << "abcd" << qsizetype(1) << huge << "a<T>" << qsizetype(4);
        QTest::newRow("huge start") << "abcd" << huge << huge << "abcd<T>" << qsizetype(7);
        QTest::newRow("negative length")
            << "abcd" << qsizetype(2) << qsizetype(-3) << "ab<T>cd" << qsizetype(5);
        // U+1F600 is two UTF-16 units; neither end may fall between them.
        const QString smile = QString::fromUcs4(U"\U0001F600");
        QTest::newRow("cursor inside a surrogate pair")
            << "a" + smile + "b" << qsizetype(2) << qsizetype(0) << "a<T>" + smile + "b"
            << qsizetype(4);
        QTest::newRow("range ending inside a surrogate pair")
            << "a" + smile + "b" << qsizetype(0) << qsizetype(2) << "<T>b" << qsizetype(3);
    }
    void replaceSelection()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, start);
        QFETCH(qsizetype, length);
        QFETCH(QString, expected);
        QFETCH(qsizetype, cursor);
        const EditorState result =
            TagInsertion::replaceSelection({text, start, length}, QStringLiteral("<T>"));
        QCOMPARE(result.text, expected);
        QCOMPARE(result.selectionStart, cursor);
        QCOMPARE(result.selectionLength, qsizetype(0));
    }

    void multiNameInsertStoresThePathAndFollowsWithTheExample()
    {
        Document doc;
        doc.prepareOpened();
        test::addFields(doc, {QStringLiteral("Name")});
        const Record blue = test::addRecord(doc, 1, {QStringLiteral("Blue")});
        const PrototypePtr p = PrototypeCommands::addFileFolderDestination(doc);
        PrototypeCommands::selectDestinationRecord(doc, blue);

        // Cursor insertion.
        auto state = TagInsertion::nameOfMultiFileTagInsert(
            doc, EditorState{QStringLiteral("Invoices/.txt"), 9, 0}, QStringLiteral("<Name>"));
        QVERIFY(state);
        QCOMPARE(state->text, QStringLiteral("Invoices/<Name>.txt"));
        QCOMPARE(state->selectionStart, qsizetype(15));
        QCOMPARE(p->path, QStringLiteral("Invoices/<Name>.txt"));
        QCOMPARE(doc.multiNameOfFileExample,
                 std::optional<QString>(QStringLiteral("Invoices/Blue.txt")));

        // A selected range is overwritten.
        state = TagInsertion::nameOfMultiFileTagInsert(doc, EditorState{p->path, 0, 8},
                                                       QStringLiteral("<#>"));
        QCOMPARE(p->path, QStringLiteral("<#>/<Name>.txt"));
        QCOMPARE(doc.multiNameOfFileExample, std::optional<QString>(QStringLiteral("1/Blue.txt")));
    }

    void uniqueNameInsertUsesStandardTagsOnly()
    {
        Document doc;
        doc.setClock([] { return QDateTime(QDate(2007, 3, 5), QTime(9, 4, 2)); });
        doc.prepareOpened();
        test::addFields(doc, {QStringLiteral("Name")});
        const PrototypePtr p = PrototypeCommands::addOneFileFolderDestination(doc);
        const auto state = TagInsertion::nameOfUniqueFileTagInsert(
            doc, EditorState{QStringLiteral("list <Name> .txt"), 12, 0}, QStringLiteral("<YY>"));
        QVERIFY(state);
        QCOMPARE(p->path, QStringLiteral("list <Name> <YY>.txt"));
        QCOMPARE(doc.oneNameOfFileExample,
                 std::optional<QString>(QStringLiteral("list <Name> 2007.txt")));
    }

    void nameInsertWhileNotEditingChangesNothing_data()
    {
        QTest::addColumn<bool>("multi");
        QTest::newRow("All in One") << false;
        QTest::newRow("One per Record") << true;
    }
    void nameInsertWhileNotEditingChangesNothing()
    {
        QFETCH(bool, multi);
        Document doc;
        const PrototypePtr p = multi ? PrototypeCommands::addFileFolderDestination(doc)
                                     : PrototypeCommands::addOneFileFolderDestination(doc);
        const qint64 count = doc.changeCount();
        const auto state =
            multi
                ? TagInsertion::nameOfMultiFileTagInsert(doc, std::nullopt, QStringLiteral("<D>"))
                : TagInsertion::nameOfUniqueFileTagInsert(doc, std::nullopt, QStringLiteral("<D>"));
        QVERIFY(!state);
        QCOMPARE(p->path, QStringLiteral("Untitled"));
        QCOMPARE(doc.changeCount(), count);
    }

    void nameInsertWithoutSelectedPrototypeChangesOnlyTheField()
    {
        Document doc;
        const PrototypePtr p = PrototypeCommands::addOneFileFolderDestination(doc);
        PrototypeCommands::selectOnePrototype(doc, nullptr);
        const auto state = TagInsertion::nameOfUniqueFileTagInsert(
            doc, EditorState{QStringLiteral("x"), 1, 0}, QStringLiteral("<D>"));
        QCOMPARE(state->text, QStringLiteral("x<D>"));
        QCOMPARE(p->path, QStringLiteral("Untitled"));
        QVERIFY(!doc.oneNameOfFileExample);
    }

    void templateInsertStoresUnderTheViewsKey_data()
    {
        QTest::addColumn<Insert>("insert");
        QTest::addColumn<TemplateKey>("key");
        QTest::newRow("text view")
            << Insert(&TagInsertion::mergeTextViewTagInsert) << TemplateKey::Text;
        QTest::newRow("head view")
            << Insert(&TagInsertion::mergeHeadViewTagInsert) << TemplateKey::Head;
        QTest::newRow("All in One text view")
            << Insert(&TagInsertion::mergeTextOneViewTagInsert) << TemplateKey::Text;
        QTest::newRow("separator view")
            << Insert(&TagInsertion::mergeSeparatorViewTagInsert) << TemplateKey::Separator;
        QTest::newRow("foot view")
            << Insert(&TagInsertion::mergeFootViewTagInsert) << TemplateKey::Foot;
    }
    void templateInsertStoresUnderTheViewsKey()
    {
        QFETCH(Insert, insert);
        QFETCH(TemplateKey, key);
        Document doc;
        const PrototypePtr p = PrototypeCommands::getNewDestinationRowMulti(false);
        doc.universalFilePrototypeArray().push_back(p);

        // No Prototype selected: only the view changes.
        EditorState state = insert(doc, {QStringLiteral("Dear ,"), 5, 0}, QStringLiteral("<Name>"));
        QCOMPARE(state.text, QStringLiteral("Dear <Name>,"));
        for (TemplateKey k :
             {TemplateKey::Head, TemplateKey::Text, TemplateKey::Separator, TemplateKey::Foot})
            QVERIFY(PrototypeCommands::templateText(*p, k).isEmpty());

        doc.setMergeSelectedPrototype(p);
        const qint64 count = doc.changeCount();
        state = insert(doc, {QStringLiteral("Dear Sir,"), 5, 3}, QStringLiteral("<Name>"));
        QCOMPARE(state.text, QStringLiteral("Dear <Name>,"));
        QCOMPARE(state.selectionStart, qsizetype(11));
        QCOMPARE(PrototypeCommands::templateText(*p, key), QStringLiteral("Dear <Name>,"));
        for (TemplateKey k :
             {TemplateKey::Head, TemplateKey::Text, TemplateKey::Separator, TemplateKey::Foot})
            if (k != key)
                QVERIFY(PrototypeCommands::templateText(*p, k).isEmpty());
        QVERIFY(doc.changeCount() > count);
    }
};

QTEST_GUILESS_MAIN(TagInsertionTest)
#include "tst_taginsertion.moc"
