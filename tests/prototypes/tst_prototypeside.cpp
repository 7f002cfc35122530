#include "core/document.h"
#include "prototypes/prototypeside.h"

#include <QtTest>

using namespace quillory;

Q_DECLARE_METATYPE(PrototypeSide)

class PrototypeSideTest : public QObject
{
    Q_OBJECT
private slots:
    void newPrototypesAreUntitledFilesOfTheirSide_data()
    {
        QTest::addColumn<PrototypeSide>("side");
        QTest::newRow("All in One") << PrototypeSide::AllInOne;
        QTest::newRow("One per Record") << PrototypeSide::OnePerRecord;
    }
    void newPrototypesAreUntitledFilesOfTheirSide()
    {
        QFETCH(PrototypeSide, side);
        const PrototypePtr p = newPrototype(side);
        QCOMPARE(sideOf(*p), side);
        QCOMPARE(p->isMulti, side == PrototypeSide::OnePerRecord);
        QCOMPARE(p->path, QStringLiteral("Untitled"));
        QVERIFY(!p->isFolder);
        for (TemplateKey k :
             {TemplateKey::Head, TemplateKey::Text, TemplateKey::Separator, TemplateKey::Foot})
            QVERIFY(templateText(*p, k).isEmpty());
        // Each is its own: a file keeps Prototypes apart by their uuids.
        QVERIFY(!p->uuid.isNull());
        QVERIFY(newPrototype(side)->uuid != p->uuid);
    }

    // The two tables of the files tab list the Prototypes of their side, in list order.
    void eachSideListsItsOwnInListOrder()
    {
        Document doc;
        std::vector<PrototypePtr> one, multi;
        for (int i = 0; i < 3; ++i) {
            for (PrototypeSide side : {PrototypeSide::OnePerRecord, PrototypeSide::AllInOne}) {
                const PrototypePtr p = newPrototype(side);
                p->path = QString::number(i);
                doc.insertPrototype(qsizetype(doc.universalFilePrototypeArray().size()), p);
                (side == PrototypeSide::AllInOne ? one : multi).push_back(p);
            }
        }
        QCOMPARE(prototypesOn(doc, PrototypeSide::AllInOne), one);
        QCOMPARE(prototypesOn(doc, PrototypeSide::OnePerRecord), multi);
    }
};

QTEST_GUILESS_MAIN(PrototypeSideTest)
#include "tst_prototypeside.moc"
