#include "core/document.h"
#include "core/locationbookmark.h"
#include "prototypes/examplename.h"
#include "prototypes/prototypecommands.h"
#include "support/documentbuilder.h"

#include <QtTest>

using namespace quillory;

class ExampleNameTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_out; // an existing folder .../X/Out

    // A document with the field Name, the records Blue and Red, and a fixed clock.
    static void setUp(Document& doc)
    {
        doc.setClock([] { return QDateTime(QDate(2007, 3, 5), QTime(9, 4, 2)); });
        doc.prepareOpened();
        test::addFields(doc, {QStringLiteral("Name")});
        test::addRecord(doc, 1, {QStringLiteral("Blue")});
        test::addRecord(doc, 2, {QStringLiteral("Red")});
    }
    static void setDestination(Document& doc, const QString& folder)
    {
        const std::optional<QByteArray> bookmark =
            LocationBookmark::make(folder, LocationBookmark::Access::ReadWrite);
        QVERIFY(bookmark);
        doc.setSelectedDestinationBookmark(bookmark);
        doc.setSelectedDestinationDefined(true);
    }
    static std::optional<QString> some(const QString& s) { return s; }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_out = m_dir.filePath(QStringLiteral("X/Out"));
        QVERIFY(QDir().mkpath(m_out));
    }

    void multiExample_data()
    {
        QTest::addColumn<bool>("fullPath");
        QTest::addColumn<bool>("withDestination");
        QTest::addColumn<bool>("withRecord");
        QTest::addColumn<QString>("expected"); // "$" stands for the destination folder
        QTest::newRow("full path, destination") << true << true << true << "$/Invoices/Blue.txt";
        QTest::newRow("full path, no destination") << true << false << true << "Invoices/Blue.txt";
        QTest::newRow("flag off") << false << true << true << "Invoices/Blue.txt";
        QTest::newRow("no record: tags empty") << false << true << false << "Invoices/.txt";
        QTest::newRow("no record, full path") << true << true << false << "$/Invoices/.txt";
    }
    void multiExample()
    {
        QFETCH(bool, fullPath);
        QFETCH(bool, withDestination);
        QFETCH(bool, withRecord);
        QFETCH(QString, expected);
        Document doc;
        setUp(doc);
        if (withDestination)
            setDestination(doc, m_out);
        const PrototypePtr p = PrototypeCommands::addFileFolderDestination(doc);
        PrototypeCommands::multiNameOfFileTextDidChange(doc, QStringLiteral("Invoices/<Name>.txt"));
        doc.multiNameOfFileExampleUsesFullPath = fullPath;
        PrototypeCommands::selectDestinationRecord(doc, withRecord ? doc.dataArray()[0] : Record());
        QCOMPARE(doc.multiNameOfFileExample, some(expected.replace("$", m_out)));
        QCOMPARE(p->path, QStringLiteral("Invoices/<Name>.txt"));
    }

    void choosingAnotherRecordRecomputesTheExample()
    {
        Document doc;
        setUp(doc);
        PrototypeCommands::addFileFolderDestination(doc);
        PrototypeCommands::multiNameOfFileTextDidChange(doc, QStringLiteral("<Name>-<#>-<YY>"));
        PrototypeCommands::selectDestinationRecord(doc, doc.dataArray()[1]);
        QCOMPARE(doc.multiNameOfFileExample, some("Red-2-2007"));
        PrototypeCommands::selectDestinationRecord(doc, doc.dataArray()[0]);
        QCOMPARE(doc.multiNameOfFileExample, some("Blue-1-2007"));
    }

    void oneExample_data()
    {
        QTest::addColumn<bool>("fullPath");
        QTest::addColumn<bool>("withDestination");
        QTest::addColumn<QString>("expected");
        QTest::newRow("full path, destination") << true << true << "$/list <Name> 2007-03.txt";
        QTest::newRow("full path, no destination") << true << false << "list <Name> 2007-03.txt";
        QTest::newRow("flag off") << false << true << "list <Name> 2007-03.txt";
    }
    void oneExample()
    {
        QFETCH(bool, fullPath);
        QFETCH(bool, withDestination);
        QFETCH(QString, expected);
        Document doc;
        setUp(doc);
        if (withDestination)
            setDestination(doc, m_out);
        PrototypeCommands::addOneFileFolderDestination(doc);
        // A record is selected, but an All in One name has no record: field tags stay.
        PrototypeCommands::selectDestinationRecord(doc, doc.dataArray()[0]);
        PrototypeCommands::oneNameOfFileTextDidChange(doc,
                                                    QStringLiteral("list <Name> <YY>-<M>.txt"));
        doc.oneNameOfFileExampleUsesFullPath = fullPath;
        ExampleName::recalcOneNameOfFile(doc);
        QCOMPARE(doc.oneNameOfFileExample, some(expected.replace("$", m_out)));
    }

    void switchesFlipTheFlagAndRecompute()
    {
        Document doc;
        setUp(doc);
        setDestination(doc, m_out);
        PrototypeCommands::addOneFileFolderDestination(doc);
        PrototypeCommands::addFileFolderDestination(doc);
        ExampleName::oneNameOfFileExampleUsesFullPathSwitch(doc);
        ExampleName::multiNameOfFileExampleUsesFullPathSwitch(doc);
        QVERIFY(doc.oneNameOfFileExampleUsesFullPath && doc.multiNameOfFileExampleUsesFullPath);
        QCOMPARE(doc.oneNameOfFileExample, some(m_out + "/Untitled"));
        QCOMPARE(doc.multiNameOfFileExample, some(m_out + "/Untitled"));
        ExampleName::oneNameOfFileExampleUsesFullPathSwitch(doc);
        QVERIFY(!doc.oneNameOfFileExampleUsesFullPath);
        QCOMPARE(doc.oneNameOfFileExample, some("Untitled"));
        QCOMPARE(doc.multiNameOfFileExample, some(m_out + "/Untitled"));
    }

    void emptyTemplateOrNoPrototypeGivesNoExample()
    {
        Document doc;
        setUp(doc);
        setDestination(doc, m_out);
        doc.oneNameOfFileExampleUsesFullPath = true;
        doc.multiNameOfFileExampleUsesFullPath = true;
        ExampleName::recalcOneNameOfFile(doc);
        ExampleName::recalcMultiNameOfFile(doc);
        QVERIFY(!doc.oneNameOfFileExample);
        QVERIFY(!doc.multiNameOfFileExample);

        PrototypeCommands::addOneFileFolderDestination(doc);
        PrototypeCommands::addFileFolderDestination(doc);
        PrototypeCommands::oneNameOfFileTextDidChange(doc, QString());
        PrototypeCommands::multiNameOfFileTextDidChange(doc, QString());
        QVERIFY(!doc.oneNameOfFileExample);
        QVERIFY(!doc.multiNameOfFileExample);
    }

    void unresolvableDestinationIsLeftOut()
    {
        Document doc;
        setUp(doc);
        const QString gone = m_dir.filePath(QStringLiteral("gone"));
        QVERIFY(QDir().mkpath(gone));
        setDestination(doc, gone);
        QVERIFY(QDir(gone).removeRecursively());
        PrototypeCommands::addOneFileFolderDestination(doc);
        ExampleName::oneNameOfFileExampleUsesFullPathSwitch(doc);
        QCOMPARE(doc.oneNameOfFileExample, some("Untitled"));

        doc.setSelectedDestinationBookmark(QByteArray("not a bookmark"));
        ExampleName::recalcOneNameOfFile(doc);
        QCOMPARE(doc.oneNameOfFileExample, some("Untitled"));
    }

    void multiDestinationTakesPartInTheStandardSubstitution()
    {
        // The One per Record example joins the folder before the standard substitution; the
        // All in One example joins it after.
        const QString dated = m_dir.filePath(QStringLiteral("day <D>"));
        QVERIFY(QDir().mkpath(dated));
        Document doc;
        setUp(doc);
        setDestination(doc, dated);
        PrototypeCommands::addOneFileFolderDestination(doc);
        PrototypeCommands::addFileFolderDestination(doc);
        ExampleName::oneNameOfFileExampleUsesFullPathSwitch(doc);
        ExampleName::multiNameOfFileExampleUsesFullPathSwitch(doc);
        QCOMPARE(doc.oneNameOfFileExample, some(dated + "/Untitled"));
        QCOMPARE(doc.multiNameOfFileExample, some(m_dir.filePath("day 05") + "/Untitled"));
    }

    void mergeExampleShowsTheUnexpandedItemPath()
    {
        Document doc;
        setUp(doc);
        ExampleName::mergeNameOfFileExampleUsesFullPathSwitch(doc);
        QVERIFY(!doc.mergeNameOfFileExample); // no item selected, whatever the flag
        doc.setMergeSelectedItem(GeneratedItem{QStringLiteral("<Name>/card.txt"), false, true, 0});
        ExampleName::recalcMergeNameOfFile(doc);
        QCOMPARE(doc.mergeNameOfFileExample, some("<Name>/card.txt")); // no destination yet
        setDestination(doc, m_out);
        ExampleName::recalcMergeNameOfFile(doc);
        QCOMPARE(doc.mergeNameOfFileExample, some(m_out + "/<Name>/card.txt"));
        ExampleName::mergeNameOfFileExampleUsesFullPathSwitch(doc);
        QCOMPARE(doc.mergeNameOfFileExample, some("<Name>/card.txt"));
    }
};

QTEST_GUILESS_MAIN(ExampleNameTest)
#include "tst_examplename.moc"
