#include <QTest>
class TestImportMapping : public QObject { Q_OBJECT private slots: void placeholder() {} };
QTEST_APPLESS_MAIN(TestImportMapping)
#include "tst_importmapping.moc"
