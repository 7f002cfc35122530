#include "core/locationbookmark.h"

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
    const std::optional<QByteArray> data = LocationBookmark::bookmarkForURL_RW(dest);
    QVERIFY(data);
    bool stale = true;
    QCOMPARE(LocationBookmark::urlForBookmark(*data, &stale), dest);
    QVERIFY(!stale);
    // Resolving does not change the data: the same bookmark resolves again.
    QCOMPARE(LocationBookmark::urlForBookmark(*data, nullptr), dest);
}

void TestKWBookmark::bookmarkOfAFileResolvesToTheFile()
{
    const QString doc = QDir(folder(QStringLiteral("docs"))).filePath(QStringLiteral("a.quillory"));
    QFile f(doc);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const std::optional<QByteArray> data = LocationBookmark::bookmarkForURL_RW(doc);
    QVERIFY(data);
    QCOMPARE(LocationBookmark::urlForBookmark(*data, nullptr), doc);
}

void TestKWBookmark::bookmarkIsMadeOnlyForExistingLocations()
{
    QVERIFY(!LocationBookmark::bookmarkForURL_RW(QString()));
    QVERIFY(!LocationBookmark::bookmarkForURL_RO(QString()));
    const QString missing = QDir(m_tmp->path()).filePath(QStringLiteral("missing"));
    QVERIFY(!LocationBookmark::bookmarkForURL_RW(missing));
    QVERIFY(!LocationBookmark::bookmarkForURL_RO(missing));
    QVERIFY(!LocationBookmark::docBookmarkForURL_RW(missing, m_tmp->filePath(QStringLiteral("d.x"))));
}

void TestKWBookmark::bookmarkRecordsItsAccess()
{
    const QString dest = folder(QStringLiteral("dest"));
    const QString doc = m_tmp->filePath(QStringLiteral("d.quillory"));
    QCOMPARE(LocationBookmark::accessOfBookmark(*LocationBookmark::bookmarkForURL_RO(dest)),
             LocationBookmark::Access::ReadOnly);
    QCOMPARE(LocationBookmark::accessOfBookmark(*LocationBookmark::bookmarkForURL_RW(dest)),
             LocationBookmark::Access::ReadWrite);
    QCOMPARE(LocationBookmark::accessOfBookmark(*LocationBookmark::docBookmarkForURL_RO(dest, doc)),
             LocationBookmark::Access::ReadOnly);
    QCOMPARE(LocationBookmark::accessOfBookmark(*LocationBookmark::docBookmarkForURL_RW(dest, doc)),
             LocationBookmark::Access::ReadWrite);
    QVERIFY(!LocationBookmark::accessOfBookmark(QByteArray("junk")));
}

void TestKWBookmark::bookmarkResolvesToTheCanonicalPath()
{
    const QString dest = folder(QStringLiteral("real"));
    const QString link = m_tmp->filePath(QStringLiteral("link"));
    QVERIFY(QFile::link(dest, link));
    const QString dotted = m_tmp->path() + QStringLiteral("/./real/../real");
    QCOMPARE(LocationBookmark::urlForBookmark(*LocationBookmark::bookmarkForURL_RW(link), nullptr), dest);
    QCOMPARE(LocationBookmark::urlForBookmark(*LocationBookmark::bookmarkForURL_RW(dotted), nullptr), dest);
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
    QVERIFY(!LocationBookmark::urlForBookmark(data, &stale));
    QVERIFY(!stale);
    stale = true;
    QVERIFY(!LocationBookmark::urlForDocBookmark(data, m_tmp->filePath(QStringLiteral("d.x")), &stale));
    QVERIFY(!stale);
    QVERIFY(!LocationBookmark::pathFromBookmark(data));
    QVERIFY(!LocationBookmark::nameFromBookmark(data));
}

void TestKWBookmark::damagedBookmarkDoesNotResolve()
{
    const QByteArray good = *LocationBookmark::bookmarkForURL_RW(folder(QStringLiteral("dest")));
    QVERIFY(LocationBookmark::urlForBookmark(good, nullptr));
    // Cut short, lengthened, and with a format version from the future.
    QVERIFY(!LocationBookmark::urlForBookmark(good.left(good.size() - 1), nullptr));
    QVERIFY(!LocationBookmark::urlForBookmark(good + '\0', nullptr));
    QByteArray future = good;
    future[9] = char(future[9] + 1); // low byte of the big-endian version after the 8-byte magic
    QVERIFY(!LocationBookmark::urlForBookmark(future, nullptr));
}

void TestKWBookmark::removedFolderDoesNotResolve()
{
    const QString dest = folder(QStringLiteral("dest"));
    const QByteArray data = *LocationBookmark::bookmarkForURL_RW(dest);
    QVERIFY(QDir(dest).removeRecursively());
    bool stale = true;
    QVERIFY(!LocationBookmark::urlForBookmark(data, &stale));
    QVERIFY(!stale);
    QVERIFY(!LocationBookmark::pathFromBookmark(data));
}

void TestKWBookmark::replacedFolderResolvesStale()
{
    const QString dest = folder(QStringLiteral("dest"));
    const QByteArray data = *LocationBookmark::bookmarkForURL_RW(dest);
    // Keep the old folder alive elsewhere so that its inode cannot be reused for the new one.
    QVERIFY(QDir().rename(dest, m_tmp->filePath(QStringLiteral("old"))));
    QCOMPARE(folder(QStringLiteral("dest")), dest);
    bool stale = false;
    QCOMPARE(LocationBookmark::urlForBookmark(data, &stale), dest);
    QVERIFY(stale);
    // A fresh bookmark of the new folder is not stale.
    stale = true;
    QCOMPARE(LocationBookmark::urlForBookmark(*LocationBookmark::bookmarkForURL_RW(dest), &stale), dest);
    QVERIFY(!stale);
}

void TestKWBookmark::docBookmarkFollowsTheDocumentFolder()
{
    const QString project = folder(QStringLiteral("project"));
    const QString dest = folder(QStringLiteral("project/out"));
    const QString doc = project + QStringLiteral("/a.quillory");
    const QByteArray data = *LocationBookmark::docBookmarkForURL_RW(dest, doc);
    bool stale = true;
    QCOMPARE(LocationBookmark::urlForDocBookmark(data, doc, &stale), dest);
    QVERIFY(!stale);

    // The whole project moves: the bookmark follows the document, not the old path.
    const QString moved = m_tmp->filePath(QStringLiteral("moved"));
    QVERIFY(QDir().rename(project, moved));
    const QString movedCanonical = QDir(moved).canonicalPath();
    stale = true;
    QCOMPARE(
        LocationBookmark::urlForDocBookmark(data, movedCanonical + QStringLiteral("/a.quillory"), &stale),
        movedCanonical + QStringLiteral("/out"));
    QVERIFY(!stale);
    // Read without the document, it knows only the recorded path, which is gone.
    QVERIFY(!LocationBookmark::urlForBookmark(data, nullptr));
}

void TestKWBookmark::docBookmarkFallsBackToTheRecordedPathAsStale()
{
    const QString dest = folder(QStringLiteral("shared/out"));
    const QString doc = folder(QStringLiteral("docs")) + QStringLiteral("/a.quillory");
    const QByteArray data = *LocationBookmark::docBookmarkForURL_RO(dest, doc);
    // The document alone moves elsewhere: the folder is still at its recorded place.
    const QString otherDoc =
        folder(QStringLiteral("elsewhere/deeper")) + QStringLiteral("/a.quillory");
    bool stale = false;
    QCOMPARE(LocationBookmark::urlForDocBookmark(data, otherDoc, &stale), dest);
    QVERIFY(stale);
    // A plain bookmark read through the document form resolves as usual.
    stale = true;
    QCOMPARE(LocationBookmark::urlForDocBookmark(*LocationBookmark::bookmarkForURL_RO(dest), otherDoc, &stale),
             dest);
    QVERIFY(!stale);
}

void TestKWBookmark::docBookmarkIsNotMadeWithoutADocumentFolder()
{
    const QString dest = folder(QStringLiteral("dest"));
    QVERIFY(!LocationBookmark::docBookmarkForURL_RW(dest, QString()));
    QVERIFY(!LocationBookmark::docBookmarkForURL_RO(
        dest, m_tmp->filePath(QStringLiteral("no/such/folder/a.quillory"))));
}

void TestKWBookmark::accessNeedsAnExistingLocation()
{
    const QString dest = folder(QStringLiteral("dest"));
    QVERIFY(LocationBookmark::startAccessingSecurityScopedResource(dest, LocationBookmark::Access::ReadWrite));
    LocationBookmark::stopAccessingSecurityScopedResource(dest);
    QVERIFY(LocationBookmark::startAccessingSecurityScopedResource(dest, LocationBookmark::Access::ReadOnly));
    LocationBookmark::stopAccessingSecurityScopedResource(dest);
    QVERIFY(QDir(dest).removeRecursively());
    QVERIFY(!LocationBookmark::startAccessingSecurityScopedResource(dest, LocationBookmark::Access::ReadWrite));
    QVERIFY(!LocationBookmark::startAccessingSecurityScopedResource(dest, LocationBookmark::Access::ReadOnly));
    QVERIFY(!LocationBookmark::startAccessingSecurityScopedResource(QString()));
    // Stopping what was never started does no harm.
    LocationBookmark::stopAccessingSecurityScopedResource(dest);
    LocationBookmark::stopAccessingSecurityScopedResource(QString());
}

void TestKWBookmark::readWriteAccessIsRefusedOnAReadOnlyFolder()
{
    const QString dest = folder(QStringLiteral("locked"));
    QVERIFY(QFile::setPermissions(dest, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                            QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    const bool asRoot = geteuid() == 0;
    const bool rw =
        LocationBookmark::startAccessingSecurityScopedResource(dest, LocationBookmark::Access::ReadWrite);
    const bool ro =
        LocationBookmark::startAccessingSecurityScopedResource(dest, LocationBookmark::Access::ReadOnly);
    QFile::setPermissions(dest, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(ro);
    if (asRoot)
        QSKIP("the super-user may write into a read-only folder");
    QVERIFY(!rw);
}

void TestKWBookmark::transformersShowPathAndName()
{
    const QString dest = folder(QStringLiteral("My Output"));
    const QByteArray data = *LocationBookmark::bookmarkForURL_RW(dest);
    QCOMPARE(LocationBookmark::pathFromBookmark(data), dest);
    QCOMPARE(LocationBookmark::nameFromBookmark(data), QStringLiteral("My Output"));
    const std::optional<QString> noInputPath = LocationBookmark::pathFromBookmark(std::nullopt);
    const std::optional<QString> noInputName = LocationBookmark::nameFromBookmark(std::nullopt);
    QCOMPARE(noInputPath, QString());
    QCOMPARE(noInputName, QString());
}

QTEST_APPLESS_MAIN(TestKWBookmark)
#include "tst_locationbookmark.moc"
