#include "core/locationbookmark.h"
#include "prototypes/examplename.h"
#include "prototypes/prototypecommands.h"
#include "support/caserows.h"
#include "support/documentbuilder.h"

#include <QJsonArray>
#include <QtTest>

using namespace quillory;

class ExampleNameTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    // The field Name, the records Blue and Red, a fixed clock, and the destination folder in
    // m_dir (none for ""): "gone" is removed once chosen.
    void setUp(Document& doc, const QString& folder)
    {
        doc.setClock([] { return QDateTime(QDate(2007, 3, 5), QTime(9, 4, 2)); });
        test::fillDocument(doc, {"Name"}, {{"Blue"}, {"Red"}});
        const QString path = m_dir.filePath(folder);
        std::optional<QByteArray> bookmark;
        if (!folder.isEmpty() && QDir().mkpath(path))
            bookmark = LocationBookmark::make(path, LocationBookmark::Access::ReadWrite);
        if (folder == QLatin1String("gone"))
            QVERIFY(QDir(path).removeRecursively());
        doc.setSelectedDestinationBookmark(bookmark);
    }

private slots:
    // Rows: name, side, full-path flag, destination folder, the selected record (1-based, 0 for
    // none), the name template, the example ("$" for m_dir; null for none).
    void examplesOfTheNameFields_data() { test::addCaseRows("prototypes", "examplename.json"); }
    void examplesOfTheNameFields()
    {
        QFETCH(QJsonArray, row);
        const bool multi = row[1].toString() == QLatin1String("multi");
        const PrototypeSide side = multi ? PrototypeSide::OnePerRecord : PrototypeSide::AllInOne;
        Document doc;
        setUp(doc, row[3].toString());
        PrototypeCommands::add(doc, side);
        PrototypeCommands::nameTextDidChange(doc, side, row[5].toString());
        const qsizetype record = row[4].toInteger();
        PrototypeCommands::selectDestinationRecord(doc,
                                                   record ? doc.dataArray()[record - 1] : nullptr);
        if (row[2].toBool()) {
            multi ? ExampleName::multiNameOfFileExampleUsesFullPathSwitch(doc)
                  : ExampleName::oneNameOfFileExampleUsesFullPathSwitch(doc);
        }
        const std::optional<QString>& example =
            multi ? doc.multiNameOfFileExample : doc.oneNameOfFileExample;
        QCOMPARE(example ? QJsonValue(*example) : QJsonValue(),
                 row[6].isNull() ? QJsonValue() : row[6].toString().replace("$", m_dir.path()));
    }

    void mergeExampleShowsTheUnexpandedItemPath()
    {
        Document doc;
        setUp(doc, QString());
        ExampleName::mergeNameOfFileExampleUsesFullPathSwitch(doc);
        doc.setMergeSelectedItem(GeneratedItem{QStringLiteral("<Name>/card.txt"), false, true, 0});
        ExampleName::recalcMergeNameOfFile(doc);
        QCOMPARE(doc.mergeNameOfFileExample, QStringLiteral("<Name>/card.txt")); // no destination
        doc.setSelectedDestinationBookmark(
            LocationBookmark::make(m_dir.path(), LocationBookmark::Access::ReadWrite));
        ExampleName::recalcMergeNameOfFile(doc);
        QCOMPARE(doc.mergeNameOfFileExample, m_dir.path() + "/<Name>/card.txt");
    }
};

QTEST_GUILESS_MAIN(ExampleNameTest)
#include "tst_examplename.moc"
