#include "support/scratchfolder.h"

#include "archive/wholefilereader.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using namespace quillory;

class TestWholeFileReader : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryByte_data();
    void readsEveryByte();
    void namesWhatFailed();
    void aFileChangedWhileReadInPartsIsReadAgainWhole_data();
    void aFileChangedWhileReadInPartsIsReadAgainWhole();

private:
    test::ScratchFolder m_scratch;
};

void TestWholeFileReader::readsEveryByte_data()
{
    // Sizes around the one from which parts are read on several threads, and odd ones that do
    // not split evenly.
    QTest::addColumn<qsizetype>("size");
    for (const qsizetype size :
         {qsizetype(0), qsizetype(1), qsizetype(4096), (qsizetype(16) << 20) - 1,
          qsizetype(16) << 20, (qsizetype(21) << 20) + 7})
        QTest::newRow(qPrintable(QString::number(size))) << size;
}

void TestWholeFileReader::readsEveryByte()
{
    QFETCH(qsizetype, size);
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random{quint32(size)};
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(random.generate());
    const QString path = m_scratch.writeFile(QStringLiteral("file.bin"), bytes);

    const Result<QByteArray> read = WholeFileReader::read(path);
    QVERIFY2(read, qPrintable(read.message()));
    QCOMPARE(read->size(), size);
    QVERIFY(*read == bytes);
}

void TestWholeFileReader::namesWhatFailed()
{
    const Result<QByteArray> missing =
        WholeFileReader::read(m_scratch.filePath(QStringLiteral("missing")));
    QVERIFY(!missing);
    QVERIFY(!missing.message().isEmpty());
    // A folder opens but cannot be read.
    const Result<QByteArray> folder = WholeFileReader::read(m_scratch.path());
    QVERIFY(!folder || folder->isEmpty());

    // Sizes are not taken on trust: a sparse file larger than any document is refused before
    // its bytes are held, and a device that never ends stops at the limit.
    const QString sparse = m_scratch.filePath(QStringLiteral("sparse.quillory"));
    QFile out(sparse);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.resize(WholeFileReader::kMaxBytes + 1));
    out.close();
    const Result<QByteArray> huge = WholeFileReader::read(sparse);
    QVERIFY(!huge);
    QCOMPARE(huge.message(),
             QStringLiteral("the file holds more than 4 GiB, more than any document"));
    const Result<QByteArray> endless = WholeFileReader::read(QStringLiteral("/dev/zero"), 3 << 20);
    QVERIFY(!endless);
    QVERIFY2(endless.message().contains("more than 3 MiB"), qPrintable(endless.message()));
}

void TestWholeFileReader::aFileChangedWhileReadInPartsIsReadAgainWhole_data()
{
    // Rows: how the file is changed once its parts are in; what a reading then gives.
    QTest::addColumn<bool>("sameSize"); // rewritten in place, else replaced by a longer one
    QTest::newRow("rewritten in place") << true;
    QTest::newRow("grown") << false;
}

void TestWholeFileReader::aFileChangedWhileReadInPartsIsReadAgainWhole()
{
    QFETCH(bool, sameSize);
    const qsizetype size = (qsizetype(16) << 20) + 3;
    const QString path = m_scratch.writeFile(QStringLiteral("changing.bin"), QByteArray(size, 'a'));
    const QByteArray second(sameSize ? size : size + 5, 'b');
    // The change lands on a later clock tick than the first writing.
    QTest::qWait(20);
    int calls = 0;
    WholeFileReader::setPartsReadHook([&](const QString& read) {
        ++calls;
        QFile again(read);
        if (again.open(QIODevice::ReadWrite))
            again.write(second);
    });
    const Result<QByteArray> got = WholeFileReader::read(path);
    WholeFileReader::setPartsReadHook({});
    QCOMPARE(calls, 1);
    QVERIFY2(got, qPrintable(got.message()));
    QCOMPARE(got->size(), second.size());
    QVERIFY(*got == second);
}

QTEST_GUILESS_MAIN(TestWholeFileReader)
#include "tst_wholefilereader.moc"
