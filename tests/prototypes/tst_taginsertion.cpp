#include "prototypes/taginsertion.h"
#include "support/caserows.h"

#include <QJsonArray>
#include <QtTest>

using namespace quillory;

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
};

QTEST_GUILESS_MAIN(TagInsertionTest)
#include "tst_taginsertion.moc"
