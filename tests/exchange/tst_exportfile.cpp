#include "exchange/exportwriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace quillory;

namespace {

const FieldKey kName{QStringLiteral("3"), QStringLiteral("Name")};

// Counts the didExport calls, as a window would to close its sheet.
class CountingExportManager : public ExportWriter
{
public:
    using ExportWriter::ExportWriter;
    void didExport() override { ++didExportCalls; }
    int didExportCalls = 0;
};

CountingExportManager managerFor(const QStringList& names)
{
    std::vector<Record> records;
    for (const QString& n : names) {
        Record r = Dict::make();
        r->set(kName.innerKey, Value::string(n));
        records.push_back(r);
    }
    CountingExportManager m(std::move(records), {kName});
    m.addAllToRight();
    m.useFieldNamesAsFirstRow = true;
    return m;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return f.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Lowers the file size limit for as long as it lives, so that writes past it fail (for the
// superuser too, unlike permissions).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        m_ok = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        m_ok = m_ok && setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

} // namespace

class TestExportFile : public QObject
{
    Q_OBJECT

private slots:
    void textIsWrittenAsUtf8WithoutByteOrderMark();
    void aLargeExportIsWrittenWhole();
    void anExistingFileIsReplaced();
    void aFailedWriteIsReported_data();
    void aFailedWriteIsReported();
    void aWriteFailingMidwayLeavesTheExistingFileIntact();
};

void TestExportFile::textIsWrittenAsUtf8WithoutByteOrderMark()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.tsv"));
    CountingExportManager m = managerFor({QStringLiteral("Café"), QStringLiteral("Ünïcödé 😀")});

    const ExportResult result = m.exportToTextFile(path);
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(m.didExportCalls, 1);
    const QByteArray expected("Name\nCaf\xc3\xa9\n\xc3\x9cn\xc3\xaf\x63\xc3\xb6\x64\xc3\xa9 "
                              "\xf0\x9f\x98\x80");
    QCOMPARE(readAll(path), expected);
}

void TestExportFile::aLargeExportIsWrittenWhole()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("big.html"));
    // Well past the size at which the writer hands text over in pieces.
    QStringList names;
    for (int i = 0; i < 70000; ++i)
        names << QStringLiteral("Ünïcödé %1 😀").arg(i);
    CountingExportManager m = managerFor(names);
    m.fileFormatToSave = 4;

    const ExportResult result = m.exportToTextFile(path);
    QVERIFY2(result.ok, qPrintable(result.message));
    const QByteArray written = readAll(path);
    const QString expected = m.composeExport();
    QVERIFY(expected.size() > 2 * 1024 * 1024);
    QVERIFY(expected.endsWith(QStringLiteral("😀</td></tr></table></body></html>")));
    QVERIFY(written == expected.toUtf8());
    QCOMPARE(m.didExportCalls, 1);
}

void TestExportFile::anExistingFileIsReplaced()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    QVERIFY(writeFile(path, QByteArray(4096, 'x')));

    CountingExportManager m = managerFor({QStringLiteral("Ann")});
    const ExportResult result = m.exportToTextFile(path);
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(readAll(path), QByteArray("Name\nAnn"));
    // No temporary file is left beside the target.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.csv"});
}

void TestExportFile::aFailedWriteIsReported_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("missing folder") << "missing/out.tsv";
    QTest::newRow("target is a folder") << "folder";
    QTest::newRow("no location") << "";
}

void TestExportFile::aFailedWriteIsReported()
{
    QFETCH(QString, target);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("folder/keep.txt")), "kept"));
    const QString path = target.isEmpty() ? QString() : dir.filePath(target);

    CountingExportManager m = managerFor({QStringLiteral("Ann")});
    const ExportResult result = m.exportToTextFile(path);
    QVERIFY(!result.ok);
    QVERIFY(!result);
    QVERIFY(!result.message.isEmpty());
    if (!target.isEmpty())
        QVERIFY2(result.message.contains(QDir::toNativeSeparators(path)),
                 qPrintable(result.message));
    QCOMPARE(m.didExportCalls, 0);
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("missing"))));
    QCOMPARE(readAll(dir.filePath(QStringLiteral("folder/keep.txt"))), QByteArray("kept"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"folder"});
}

void TestExportFile::aWriteFailingMidwayLeavesTheExistingFileIntact()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.tsv"));
    const QByteArray previous("previous export\n");
    QVERIFY(writeFile(path, previous));

    QStringList names;
    for (int i = 0; i < 20000; ++i)
        names << QStringLiteral("record number %1").arg(i);
    CountingExportManager m = managerFor(names);
    ExportResult result;
    {
        FileSizeLimit limit(64 * 1024);
        if (!limit.ok())
            QSKIP("cannot lower the file size limit here");
        result = m.exportToTextFile(path);
    }
    QVERIFY(!result.ok);
    QVERIFY(!result.message.isEmpty());
    QCOMPARE(m.didExportCalls, 0);
    QCOMPARE(readAll(path), previous);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.tsv"});
}

QTEST_APPLESS_MAIN(TestExportFile)
#include "tst_exportfile.moc"
