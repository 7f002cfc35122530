#include "core/document.h"
#include "prototypes/taginsertion.h"
#include "support/caserows.h"

#include <QJsonArray>
#include <QtTest>

using namespace quillory;

Q_DECLARE_METATYPE(PrototypeSide)
Q_DECLARE_METATYPE(TemplateKey)

class TagInsertionTest : public QObject
{
    Q_OBJECT
private slots:
    // Rows: name, text, selection start and length, the text with "<T>" inserted, the cursor.
    void replaceSelection_data() { test::addCaseRows("prototypes", "replaceselection.json"); }
    void replaceSelection()
    {
        QFETCH(QJsonArray, row);
        const EditorState result = TagInsertion::replaceSelection(
            {row[1].toString(), row[2].toInteger(), row[3].toInteger()}, QStringLiteral("<T>"));
        QCOMPARE(result.text, row[4].toString());
        QCOMPARE(result.selectionStart, row[5].toInteger());
        QCOMPARE(result.selectionLength, 0);
    }

    void nameInsertionStoresThePathOfTheSide_data()
    {
        QTest::addColumn<PrototypeSide>("side");
        QTest::newRow("All in One") << PrototypeSide::AllInOne;
        QTest::newRow("One per Record") << PrototypeSide::OnePerRecord;
    }
    void nameInsertionStoresThePathOfTheSide()
    {
        QFETCH(PrototypeSide, side);
        Document doc;
        const bool multi = side == PrototypeSide::OnePerRecord;
        const PrototypePtr other = PrototypeCommands::add(doc, multi ? PrototypeSide::AllInOne
                                                                     : PrototypeSide::OnePerRecord);
        const PrototypePtr p = PrototypeCommands::add(doc, side);
        doc.markSaved();
        QVERIFY(!TagInsertion::insertIntoName(doc, side, std::nullopt, "<D>")); // not editing
        QVERIFY(!doc.isDocumentEdited());

        const auto state =
            TagInsertion::insertIntoName(doc, side, EditorState{"Invoices/X.txt", 9, 1}, "<Name>");
        QCOMPARE(state, (EditorState{"Invoices/<Name>.txt", 15, 0}));
        QCOMPARE(p->path, QStringLiteral("Invoices/<Name>.txt"));
        QCOMPARE(other->path, QStringLiteral("Untitled"));
    }

    void templateInsertionStoresUnderItsKey_data()
    {
        QTest::addColumn<TemplateKey>("key");
        QTest::newRow("head") << TemplateKey::Head;
        QTest::newRow("foot") << TemplateKey::Foot;
    }
    void templateInsertionStoresUnderItsKey()
    {
        QFETCH(TemplateKey, key);
        Document doc;
        const PrototypePtr p = PrototypeCommands::add(doc, PrototypeSide::AllInOne);
        const EditorState editor{"Dear Sir,", 5, 3};
        const EditorState typed{"Dear <Name>,", 11, 0};
        QCOMPARE(TagInsertion::insertIntoTemplate(doc, key, editor, "<Name>"), typed);
        QVERIFY(templateText(*p, key).isEmpty()); // nothing selected on the merge tab
        doc.setMergeSelectedPrototype(p);
        QCOMPARE(TagInsertion::insertIntoTemplate(doc, key, editor, "<Name>"), typed);
        for (TemplateKey k :
             {TemplateKey::Head, TemplateKey::Text, TemplateKey::Separator, TemplateKey::Foot})
            QCOMPARE(templateText(*p, k), k == key ? typed.text : QString());
    }
};

QTEST_GUILESS_MAIN(TagInsertionTest)
#include "tst_taginsertion.moc"
