#include "core/locationbookmark.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace quillory;
using Bookmark = LocationBookmark;
using Access = LocationBookmark::Access;

class TestLocationBookmark : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_root;

    // Under the scratch folder; "" stays "".
    QString path(const QString& name) const { return name.isEmpty() ? name : m_root + '/' + name; }
    QString doc() const { return path("doc.quillory"); }
    // The path data resolves to (against docPath's folder when given), "none" for no path, with
    // " (stale)" when so marked; the mark starts set, as each call must clear it first.
    static QString resolved(const QByteArray& data, const QString& docPath = QString())
    {
        bool stale = true;
        const auto p = docPath.isEmpty() ? Bookmark::resolve(data, &stale)
                                         : Bookmark::resolveRelativeTo(data, docPath, &stale);
        return p.value_or("none") + (stale ? " (stale)" : "");
    }

private slots:
    // Every test starts with real/, real/a.txt, link -> real and a read-only folder locked/.
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_root = QDir(m_tmp->path()).canonicalPath();
        QVERIFY(QDir().mkpath(path("real")) && QDir().mkpath(path("locked")));
        QVERIFY(QFile(path("real/a.txt")).open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(path("real"), path("link")));
        QVERIFY(QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::ExeOwner));
    }

    // Either form resolves through either call to the object, fresh; "" for none made.
    void madeBookmarkResolves_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("relative");
        QTest::addColumn<QString>("docName");
        QTest::addColumn<QString>("object");
        const std::pair<const char*, const char*> targets[] = {
            {"real", "real"}, {"real/a.txt", "real/a.txt"},
            {"link", "real"}, {"./real/../real", "real"},
            {"missing", ""},  {"", ""}};
        for (const auto& [target, object] : targets)
            for (const bool relative : {false, true})
                QTest::addRow("'%s', %s", target, relative ? "relative" : "plain")
                    << target << relative << "doc.quillory" << object;
        QTest::newRow("no document") << "real" << true << QString() << QString();
        QTest::newRow("document folder missing") << "real" << true << "x/doc.quillory" << QString();
    }
    void madeBookmarkResolves()
    {
        QFETCH(QString, target);
        QFETCH(bool, relative);
        QFETCH(QString, docName);
        QFETCH(QString, object);
        for (const Access access : {Access::ReadOnly, Access::ReadWrite}) {
            const std::optional<QByteArray> data =
                relative ? Bookmark::makeRelativeTo(path(target), path(docName), access)
                         : Bookmark::make(path(target), access);
            QCOMPARE(data.has_value(), !object.isEmpty());
            // What can be bookmarked can be used, here where its owner reads and writes it.
            QCOMPARE(Bookmark::checkAccess(path(target), access),
                     Bookmark::make(path(target), access).has_value());
            if (!data)
                continue;
            QCOMPARE(Bookmark::accessOf(*data), access);
            QCOMPARE(resolved(*data), path(object));
            QCOMPARE(resolved(*data, doc()), path(object));
        }
    }

    void foreignDataNeverResolves_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray ours = *Bookmark::make(QDir::rootPath(), Access::ReadWrite);
        // The low byte of the version follows the 8-byte magic and the version's high byte.
        const QByteArray later = QByteArray(ours).replace(9, 1, QByteArray(1, char(ours[9] + 1)));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("random bytes") << QByteArray::fromHex("8f3ac1007be2d94410ffee21");
        QTest::newRow("ours cut short") << ours.chopped(1);
        QTest::newRow("ours from a later version") << later;
    }
    void foreignDataNeverResolves()
    {
        QFETCH(QByteArray, data);
        QCOMPARE(resolved(data), "none");
        QCOMPARE(resolved(data, doc()), "none");
        QVERIFY(!Bookmark::accessOf(data));
        QVERIFY(!Bookmark::displayPath(data) && !Bookmark::displayName(data));
    }

    void replacedObjectResolvesStale()
    {
        const QByteArray plain = *Bookmark::make(path("real"), Access::ReadWrite);
        const QByteArray relative =
            *Bookmark::makeRelativeTo(path("real"), doc(), Access::ReadWrite);
        // The old folder lives on elsewhere so that the new one cannot take its inode.
        QVERIFY(QDir().rename(path("real"), path("old")) && QDir().mkdir(path("real")));
        QCOMPARE(resolved(plain), path("real") + " (stale)");
        QCOMPARE(resolved(relative, doc()), path("real") + " (stale)");
        QVERIFY(QDir(path("real")).removeRecursively());
        QCOMPARE(resolved(plain), "none");
        QCOMPARE(resolved(relative, doc()), "none");
    }

    void relativeBookmarkFollowsTheDocument()
    {
        QVERIFY(QDir().mkpath(path("project/out")));
        const QByteArray data = *Bookmark::makeRelativeTo(
            path("project/out"), path("project/doc.quillory"), Access::ReadWrite);
        const QByteArray left = *Bookmark::makeRelativeTo(path("real"), doc(), Access::ReadOnly);
        // Moved together with its document: found beside it, fresh; the recorded path is gone.
        QVERIFY(QDir().rename(path("project"), path("moved")));
        QCOMPARE(resolved(data, path("moved/doc.quillory")), path("moved/out"));
        QCOMPARE(resolved(data), "none");
        // The document moved alone: found at the recorded path, stale.
        QCOMPARE(resolved(left, path("real/doc.quillory")), path("real") + " (stale)");
    }

    void readOnlyFolderRefusesReadWriteAccess()
    {
        QVERIFY(Bookmark::checkAccess(path("locked"), Access::ReadOnly));
        if (geteuid() == 0)
            QSKIP("the super-user may write into a read-only folder");
        QVERIFY(!Bookmark::checkAccess(path("locked"), Access::ReadWrite));
    }
};

QTEST_APPLESS_MAIN(TestLocationBookmark)
#include "tst_locationbookmark.moc"
