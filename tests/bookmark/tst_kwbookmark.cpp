#include "core/kwbookmark.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace quillory;

class TestKWBookmark : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void bookmarkResolvesToTheChosenFolder();
    void bookmarkOfAFileResolvesToTheFile();
    void bookmarkIsMadeOnlyForExistingLocations();
    void bookmarkRecordsItsAccess();
    void bookmarkResolvesToTheCanonicalPath();
    void foreignDataDoesNotResolve_data();
    void foreignDataDoesNotResolve();
    void damagedBookmarkDoesNotResolve();
    void removedFolderDoesNotResolve();
    void replacedFolderResolvesStale();
    void docBookmarkFollowsTheDocumentFolder();
    void docBookmarkFallsBackToTheRecordedPathAsStale();
    void docBookmarkIsNotMadeWithoutADocumentFolder();
    void accessNeedsAnExistingLocation();
    void readWriteAccessIsRefusedOnAReadOnlyFolder();
    void transformersShowPathAndName();

private:
    QString folder(const QString& name);

    std::unique_ptr<QTemporaryDir> m_tmp;
};

void TestKWBookmark::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
}

QString TestKWBookmark::folder(const QString& name)
{
    const QString path = QDir(m_tmp->path()).filePath(name);
    if (!QDir().mkpath(path))
        return QString();
    return QDir(path).canonicalPath();
}

void TestKWBookmark::bookmarkResolvesToTheChosenFolder()
{
    const QString dest = folder(QStringLiteral("dest"));
    const std::optional<QByteArray> data = KWBookmark::bookmarkForURL_RW(dest);
    QVERIFY(data);
    bool stale = true;
    QCOMPARE(KWBookmark::urlForBookmark(*data, &stale), dest);
    QVERIFY(!stale);
    // Resolving does not change the data: the same bookmark resolves again.
    QCOMPARE(KWBookmark::urlForBookmark(*data, nullptr), dest);
}

void TestKWBookmark::bookmarkOfAFileResolvesToTheFile()
{
    const QString doc = QDir(folder(QStringLiteral("docs"))).filePath(QStringLiteral("a.quillory"));
    QFile f(doc);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const std::optional<QByteArray> data = KWBookmark::bookmarkForURL_RW(doc);
    QVERIFY(data);
    QCOMPARE(KWBookmark::urlForBookmark(*data, nullptr), doc);
}

void TestKWBookmark::bookmarkIsMadeOnlyForExistingLocations()
{
    QVERIFY(!KWBookmark::bookmarkForURL_RW(QString()));
    QVERIFY(!KWBookmark::bookmarkForURL_RO(QString()));
    const QString missing = QDir(m_tmp->path()).filePath(QStringLiteral("missing"));
    QVERIFY(!KWBookmark::bookmarkForURL_RW(missing));
    QVERIFY(!KWBookmark::bookmarkForURL_RO(missing));
    QVERIFY(!KWBookmark::docBookmarkForURL_RW(missing, m_tmp->filePath(QStringLiteral("d.x"))));
}

void TestKWBookmark::bookmarkRecordsItsAccess()
{
    const QString dest = folder(QStringLiteral("dest"));
    const QString doc = m_tmp->filePath(QStringLiteral("d.quillory"));
    QCOMPARE(KWBookmark::accessOfBookmark(*KWBookmark::bookmarkForURL_RO(dest)),
             KWBookmark::Access::ReadOnly);
    QCOMPARE(KWBookmark::accessOfBookmark(*KWBookmark::bookmarkForURL_RW(dest)),
             KWBookmark::Access::ReadWrite);
    QCOMPARE(KWBookmark::accessOfBookmark(*KWBookmark::docBookmarkForURL_RO(dest, doc)),
             KWBookmark::Access::ReadOnly);
    QCOMPARE(KWBookmark::accessOfBookmark(*KWBookmark::docBookmarkForURL_RW(dest, doc)),
             KWBookmark::Access::ReadWrite);
    QVERIFY(!KWBookmark::accessOfBookmark(QByteArray("junk")));
}

void TestKWBookmark::bookmarkResolvesToTheCanonicalPath()
{
    const QString dest = folder(QStringLiteral("real"));
    const QString link = m_tmp->filePath(QStringLiteral("link"));
    QVERIFY(QFile::link(dest, link));
    const QString dotted = m_tmp->path() + QStringLiteral("/./real/../real");
    QCOMPARE(KWBookmark::urlForBookmark(*KWBookmark::bookmarkForURL_RW(link), nullptr), dest);
    QCOMPARE(KWBookmark::urlForBookmark(*KWBookmark::bookmarkForURL_RW(dotted), nullptr), dest);
}

void TestKWBookmark::foreignDataDoesNotResolve_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("random bytes") << QByteArray::fromHex("8f3ac1007be2d94410ffee21");
    QTest::newRow("a path as text") << QByteArray("/tmp");
    QTest::newRow("macOS bookmark header")
        << (QByteArray("book") + QByteArray(4, '\0') + QByteArray("mark") + QByteArray(40, '\0'));
    QTest::newRow("magic only") << QByteArray("QLRYBKMK");
}

void TestKWBookmark::foreignDataDoesNotResolve()
{
    QFETCH(QByteArray, data);
    bool stale = true;
    QVERIFY(!KWBookmark::urlForBookmark(data, &stale));
    QVERIFY(!stale);
    stale = true;
    QVERIFY(!KWBookmark::urlForDocBookmark(data, m_tmp->filePath(QStringLiteral("d.x")), &stale));
    QVERIFY(!stale);
    QVERIFY(!KWBookmark::pathFromBookmark(data));
    QVERIFY(!KWBookmark::nameFromBookmark(data));
}

void TestKWBookmark::damagedBookmarkDoesNotResolve()
{
    const QByteArray good = *KWBookmark::bookmarkForURL_RW(folder(QStringLiteral("dest")));
    QVERIFY(KWBookmark::urlForBookmark(good, nullptr));
    // Cut short, lengthened, and with a format version from the future.
    QVERIFY(!KWBookmark::urlForBookmark(good.left(good.size() - 1), nullptr));
    QVERIFY(!KWBookmark::urlForBookmark(good + '\0', nullptr));
    QByteArray future = good;
    future[9] = char(future[9] + 1); // low byte of the big-endian version after the 8-byte magic
    QVERIFY(!KWBookmark::urlForBookmark(future, nullptr));
}

void TestKWBookmark::removedFolderDoesNotResolve()
{
    const QString dest = folder(QStringLiteral("dest"));
    const QByteArray data = *KWBookmark::bookmarkForURL_RW(dest);
    QVERIFY(QDir(dest).removeRecursively());
    bool stale = true;
    QVERIFY(!KWBookmark::urlForBookmark(data, &stale));
    QVERIFY(!stale);
    QVERIFY(!KWBookmark::pathFromBookmark(data));
}

void TestKWBookmark::replacedFolderResolvesStale()
{
    const QString dest = folder(QStringLiteral("dest"));
    const QByteArray data = *KWBookmark::bookmarkForURL_RW(dest);
    // Keep the old folder alive elsewhere so that its inode cannot be reused for the new one.
    QVERIFY(QDir().rename(dest, m_tmp->filePath(QStringLiteral("old"))));
    QCOMPARE(folder(QStringLiteral("dest")), dest);
    bool stale = false;
    QCOMPARE(KWBookmark::urlForBookmark(data, &stale), dest);
    QVERIFY(stale);
    // A fresh bookmark of the new folder is not stale.
    stale = true;
    QCOMPARE(KWBookmark::urlForBookmark(*KWBookmark::bookmarkForURL_RW(dest), &stale), dest);
    QVERIFY(!stale);
}

void TestKWBookmark::docBookmarkFollowsTheDocumentFolder()
{
    const QString project = folder(QStringLiteral("project"));
    const QString dest = folder(QStringLiteral("project/out"));
    const QString doc = project + QStringLiteral("/a.quillory");
    const QByteArray data = *KWBookmark::docBookmarkForURL_RW(dest, doc);
    bool stale = true;
    QCOMPARE(KWBookmark::urlForDocBookmark(data, doc, &stale), dest);
    QVERIFY(!stale);

    // The whole project moves: the bookmark follows the document, not the old path.
    const QString moved = m_tmp->filePath(QStringLiteral("moved"));
    QVERIFY(QDir().rename(project, moved));
    const QString movedCanonical = QDir(moved).canonicalPath();
    stale = true;
    QCOMPARE(
        KWBookmark::urlForDocBookmark(data, movedCanonical + QStringLiteral("/a.quillory"), &stale),
        movedCanonical + QStringLiteral("/out"));
    QVERIFY(!stale);
    // Read without the document, it knows only the recorded path, which is gone.
    QVERIFY(!KWBookmark::urlForBookmark(data, nullptr));
}

void TestKWBookmark::docBookmarkFallsBackToTheRecordedPathAsStale()
{
    const QString dest = folder(QStringLiteral("shared/out"));
    const QString doc = folder(QStringLiteral("docs")) + QStringLiteral("/a.quillory");
    const QByteArray data = *KWBookmark::docBookmarkForURL_RO(dest, doc);
    // The document alone moves elsewhere: the folder is still at its recorded place.
    const QString otherDoc =
        folder(QStringLiteral("elsewhere/deeper")) + QStringLiteral("/a.quillory");
    bool stale = false;
    QCOMPARE(KWBookmark::urlForDocBookmark(data, otherDoc, &stale), dest);
    QVERIFY(stale);
    // A plain bookmark read through the document form resolves as usual.
    stale = true;
    QCOMPARE(KWBookmark::urlForDocBookmark(*KWBookmark::bookmarkForURL_RO(dest), otherDoc, &stale),
             dest);
    QVERIFY(!stale);
}

void TestKWBookmark::docBookmarkIsNotMadeWithoutADocumentFolder()
{
    const QString dest = folder(QStringLiteral("dest"));
    QVERIFY(!KWBookmark::docBookmarkForURL_RW(dest, QString()));
    QVERIFY(!KWBookmark::docBookmarkForURL_RO(
        dest, m_tmp->filePath(QStringLiteral("no/such/folder/a.quillory"))));
}

void TestKWBookmark::accessNeedsAnExistingLocation()
{
    const QString dest = folder(QStringLiteral("dest"));
    QVERIFY(KWBookmark::startAccessingSecurityScopedResource(dest, KWBookmark::Access::ReadWrite));
    KWBookmark::stopAccessingSecurityScopedResource(dest);
    QVERIFY(KWBookmark::startAccessingSecurityScopedResource(dest, KWBookmark::Access::ReadOnly));
    KWBookmark::stopAccessingSecurityScopedResource(dest);
    QVERIFY(QDir(dest).removeRecursively());
    QVERIFY(!KWBookmark::startAccessingSecurityScopedResource(dest, KWBookmark::Access::ReadWrite));
    QVERIFY(!KWBookmark::startAccessingSecurityScopedResource(dest, KWBookmark::Access::ReadOnly));
    QVERIFY(!KWBookmark::startAccessingSecurityScopedResource(QString()));
    // Stopping what was never started does no harm.
    KWBookmark::stopAccessingSecurityScopedResource(dest);
    KWBookmark::stopAccessingSecurityScopedResource(QString());
}

void TestKWBookmark::readWriteAccessIsRefusedOnAReadOnlyFolder()
{
    const QString dest = folder(QStringLiteral("locked"));
    QVERIFY(QFile::setPermissions(dest, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                            QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    const bool asRoot = geteuid() == 0;
    const bool rw =
        KWBookmark::startAccessingSecurityScopedResource(dest, KWBookmark::Access::ReadWrite);
    const bool ro =
        KWBookmark::startAccessingSecurityScopedResource(dest, KWBookmark::Access::ReadOnly);
    QFile::setPermissions(dest, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(ro);
    if (asRoot)
        QSKIP("the super-user may write into a read-only folder");
    QVERIFY(!rw);
}

void TestKWBookmark::transformersShowPathAndName()
{
    const QString dest = folder(QStringLiteral("My Output"));
    const QByteArray data = *KWBookmark::bookmarkForURL_RW(dest);
    QCOMPARE(KWBookmark::pathFromBookmark(data), dest);
    QCOMPARE(KWBookmark::nameFromBookmark(data), QStringLiteral("My Output"));
    const std::optional<QString> noInputPath = KWBookmark::pathFromBookmark(std::nullopt);
    const std::optional<QString> noInputName = KWBookmark::nameFromBookmark(std::nullopt);
    QCOMPARE(noInputPath, QString());
    QCOMPARE(noInputName, QString());
}

QTEST_APPLESS_MAIN(TestKWBookmark)
#include "tst_kwbookmark.moc"
