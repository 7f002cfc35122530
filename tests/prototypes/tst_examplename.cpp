#include "core/locationbookmark.h"
#include "prototypes/examplename.h"
#include "prototypes/prototypeside.h"
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
        doc.setDestination(bookmark.has_value(), bookmark);
    }

private slots:
    // Rows: name, side, full-path flag, destination folder, the record (1-based, 0 for none),
    // the name template, the example ("$" for m_dir; null for none).
    void examplesOfTheNameFields_data() { test::addCaseRows("prototypes", "examplename.json"); }
    void examplesOfTheNameFields()
    {
        QFETCH(QJsonArray, row);
        const bool multi = row[1].toString() == QLatin1String("multi");
        const PrototypeSide side = multi ? PrototypeSide::OnePerRecord : PrototypeSide::AllInOne;
        Document doc;
        setUp(doc, row[3].toString());
        const PrototypePtr proto = newPrototype(side);
        doc.insertPrototype(0, proto);
        doc.setPrototypePath(proto, row[5].toString());
        const qsizetype record = row[4].toInteger();
        const bool fullPath = row[2].toBool();
        const std::optional<QString> example =
            multi ? ExampleName::onePerRecord(
                        doc, proto, record ? doc.dataArray()[record - 1] : nullptr, fullPath)
                  : ExampleName::allInOne(doc, proto, fullPath);
        QCOMPARE(example ? QJsonValue(*example) : QJsonValue(),
                 row[6].isNull() ? QJsonValue() : row[6].toString().replace("$", m_dir.path()));
    }

    void noPrototypeNoExample()
    {
        Document doc;
        setUp(doc, QStringLiteral("X"));
        QCOMPARE(ExampleName::allInOne(doc, nullptr, true), std::nullopt);
        QCOMPARE(ExampleName::onePerRecord(doc, nullptr, doc.dataArray()[0], true), std::nullopt);
    }

    void mergeExampleShowsTheUnexpandedItemPath()
    {
        Document doc;
        setUp(doc, QString());
        const GeneratedItem item{QStringLiteral("<Name>/card.txt"), false, true, 0};
        QCOMPARE(ExampleName::ofItem(doc, item, true), QStringLiteral("<Name>/card.txt"));
        QCOMPARE(ExampleName::ofItem(doc, std::nullopt, true), std::nullopt);
        doc.setDestination(
            true, LocationBookmark::make(m_dir.path(), LocationBookmark::Access::ReadWrite));
        QCOMPARE(ExampleName::ofItem(doc, item, true), m_dir.path() + "/<Name>/card.txt");
        QCOMPARE(ExampleName::ofItem(doc, item, false), QStringLiteral("<Name>/card.txt"));
    }
};

QTEST_GUILESS_MAIN(ExampleNameTest)
#include "tst_examplename.moc"
