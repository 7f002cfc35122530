#include <QTest>
class TestImportParsing : public QObject { Q_OBJECT private slots: void placeholder() {} };
QTEST_APPLESS_MAIN(TestImportParsing)
#include "tst_importparsing.moc"
