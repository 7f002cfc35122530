#include "merge/posixfilesystem.h"
#include "runfixture.h"

#include <cerrno>
#include <tuple>
#include <unistd.h>

using namespace quillory;
using namespace quillory::test;

namespace {

using Strategy = PosixFileSystem::ResolveStrategy;

// The real file system with a racer that swaps a folder for a symbolic link to "outside" at
// one moment of the run: right before the folder of the item is resolved, or right before the
// item is written into the folder resolved already.
class SwappingFileSystem : public PosixFileSystem
{
public:
    enum class Moment { Resolve, Write };

    QString root;
    QString level; // root-relative folder that is swapped, e.g. "dest/Ann"
    Moment moment = Moment::Resolve;
    QByteArray trigger; // the folder (Resolve) or name (Write) whose use sets the swap off

    int openBeneath(const FolderHandle& top, const QByteArray& relative,
                    FolderHandle* folder) override
    {
        if (moment == Moment::Resolve && relative == trigger)
            swap();
        return PosixFileSystem::openBeneath(top, relative, folder);
    }
    FsStatus makeDirectoryAt(const FolderHandle& folder, const QByteArray& name,
                             const QString& fullPath) override
    {
        if (moment == Moment::Write && name == trigger)
            swap();
        return PosixFileSystem::makeDirectoryAt(folder, name, fullPath);
    }

private:
    void swap()
    {
        if (swapped)
            return;
        swapped = true;
        const QString at = root + "/" + level;
        if (!QDir().rename(at, at + ".old") || !QFile::link(root + "/outside", at))
            qFatal("cannot swap %s", qPrintable(at));
    }
    bool swapped = false;
};

// Ann: a folder Ann/sub/deeper and a file Ann/sub/card.txt, the items of one record being
// Ann/, Ann/sub/, Ann/sub/deeper/ and Ann/sub/card.txt. "outside" holds the folders that a
// run following the swapped link by name would write into.
const char* const kCase = R"({
    "fields": ["Name"],
    "records": [[1, "Ann"]],
    "prototypes": [
        {"path": "<Name>/sub/deeper", "folder": true, "multi": true},
        {"path": "<Name>/sub/card.txt", "multi": true, "text": "x"}
    ]
})";

QStringList rejected(const QString& path, const QString& item, bool folder)
{
    return {"",
            QString(">>>>> ERROR >>>>> %1 name can't lead outside the destination folder Please "
                    "fix value for resulting path: '$DEST/%2'")
                .arg(folder ? "Folder" : "File", path),
            ">>>>> ERROR >>>>> The error occourred with prototype file path '" + item +
                "' One per Record section merging record n. 1",
            ""};
}

} // namespace

// A folder of the destination, or the destination itself, swapped for a symbolic link to
// another place while a run goes on: the run never writes there, whether the swap comes
// before the folder is resolved (the item is then rejected) or after (the item goes into the
// folder that was resolved).
class RunRaceTest : public QObject
{
    Q_OBJECT
private slots:
    void nothingIsWrittenOutside_data()
    {
        QTest::addColumn<int>("strategy");
        QTest::addColumn<QString>("level");
        QTest::addColumn<int>("moment");
        QTest::addColumn<QStringList>("log");  // between the opening and the closing rule
        QTest::addColumn<QStringList>("tree"); // besides "outside", which stays as it was

        const QStringList created{"Created folder: Ann/", "Created folder: Ann/sub/"};
        const QStringList all = created + QStringList{"Created folder: Ann/sub/deeper/",
                                                      "Created file: Ann/sub/card.txt"};
        const QStringList cardRejected = rejected("Ann/sub/card.txt", "<Name>/sub/card.txt", false);
        const QStringList bothRejected =
            rejected("Ann/sub/deeper/", "<Name>/sub/deeper/", true) + cardRejected;
        const int resolve = int(SwappingFileSystem::Moment::Resolve);
        const int write = int(SwappingFileSystem::Moment::Write);
        for (const Strategy s : {Strategy::Automatic, Strategy::PerLevel}) {
            const char* name = s == Strategy::Automatic ? "kernel" : "per level";
            QTest::addRow("%s: first level, before resolving", name)
                << int(s) << "dest/Ann" << resolve << created + bothRejected
                << QStringList{
                       "dest/: ", "dest/Ann.old/: ", "dest/Ann.old/sub/: ", "dest/Ann@: outside"};
            QTest::addRow("%s: first level, before writing", name)
                << int(s) << "dest/Ann" << write
                << created + QStringList{"Created folder: Ann/sub/deeper/"} + cardRejected
                << QStringList{"dest/: ", "dest/Ann.old/: ", "dest/Ann.old/sub/: ",
                               "dest/Ann.old/sub/deeper/: ", "dest/Ann@: outside"};
            QTest::addRow("%s: deeper level, before resolving", name)
                << int(s) << "dest/Ann/sub" << resolve << created + bothRejected
                << QStringList{
                       "dest/: ", "dest/Ann/: ", "dest/Ann/sub.old/: ", "dest/Ann/sub@: outside"};
            QTest::addRow("%s: deeper level, before writing", name)
                << int(s) << "dest/Ann/sub" << write
                << created + QStringList{"Created folder: Ann/sub/deeper/"} + cardRejected
                << QStringList{"dest/: ", "dest/Ann/: ", "dest/Ann/sub.old/: ",
                               "dest/Ann/sub.old/deeper/: ", "dest/Ann/sub@: outside"};
            const QStringList movedDestination{"dest.old/: ",
                                               "dest.old/Ann/: ",
                                               "dest.old/Ann/sub/: ",
                                               "dest.old/Ann/sub/card.txt: x",
                                               "dest.old/Ann/sub/deeper/: ",
                                               "dest@: outside"};
            QTest::addRow("%s: the destination, before resolving", name)
                << int(s) << "dest" << resolve << all << movedDestination;
            QTest::addRow("%s: the destination, before writing", name)
                << int(s) << "dest" << write << all << movedDestination;
        }
    }
    void nothingIsWrittenOutside()
    {
        QFETCH(int, strategy);
        QFETCH(QString, level);
        QFETCH(int, moment);
        ScratchFolder tmp;
        const QString dest = tmp.filePath("dest");
        QVERIFY(QDir().mkpath(dest) && QDir().mkpath(tmp.filePath("outside/Ann/sub")) &&
                QDir().mkpath(tmp.filePath("outside/sub")));
        SwappingFileSystem fs;
        fs.setResolveStrategy(Strategy(strategy));
        fs.root = tmp.path();
        fs.level = level;
        fs.moment = SwappingFileSystem::Moment(moment);
        fs.trigger = fs.moment == SwappingFileSystem::Moment::Resolve ? "Ann/sub" : "deeper";
        Document doc;
        buildDocument(doc, QJsonDocument::fromJson(kCase).object());

        MergeRun run(RunSnapshot::take(doc, dest), fs);
        QString text;
        run.setLogSink([&text](const QString& piece) { text += piece; });
        QVERIFY(run.execute());
        QFETCH(QStringList, log);
        const QStringList lines = text.split('\n');
        QCOMPARE(lines.mid(3, lines.size() - 6), log.replaceInStrings("$DEST", dest));
        QFETCH(QStringList, tree);
        QStringList expected =
            QStringList{"outside/: ", "outside/Ann/: ", "outside/Ann/sub/: ", "outside/sub/: "} +
            tree;
        expected.sort();
        QCOMPARE(treeLines(tmp.path()), expected);
    }

    // What each way beneath a destination opens: links are followed while they stay inside,
    // whether relative or absolute, and refused (EXDEV) as soon as they would leave.
    void openBeneathStaysInside_data()
    {
        QTest::addColumn<int>("strategy");
        QTest::addColumn<QByteArray>("relative");
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("opened"); // the marker file found in the folder opened
        const QList<std::tuple<const char*, int, const char*>> rows{
            {"", 0, "top"},
            {"a/b", 0, "in-b"},
            {"rel-in", 0, "in-b"},      // -> a/b
            {"a/up-in", 0, "in-a"},     // -> ../a
            {"abs-in", 0, "in-b"},      // -> $ROOT/dest/a/b
            {"abs-in/../..", 0, "top"}, // ".." after a link goes back from where it led
            {"a/up-out", EXDEV, ""},    // -> ../../outside
            {"abs-out", EXDEV, ""},     // -> $ROOT/outside
            {"sibling", EXDEV, ""},     // -> $ROOT/dest2, whose name begins with dest's
            {"..", EXDEV, ""},
            {"loop", ELOOP, ""},
            {"dangling", ENOENT, ""},
            {"file", ENOTDIR, ""},
        };
        for (const Strategy s : {Strategy::Automatic, Strategy::PerLevel}) {
            for (const auto& [relative, error, opened] : rows) {
                QTest::addRow("%s: '%s'", s == Strategy::Automatic ? "kernel" : "per level",
                              relative)
                    << int(s) << QByteArray(relative) << error << QByteArray(opened);
            }
        }
    }
    void openBeneathStaysInside()
    {
        QFETCH(int, strategy);
        QFETCH(QByteArray, relative);
        ScratchFolder tmp;
        const QByteArray root = QFile::encodeName(tmp.path());
        QVERIFY(makeTree(tmp.path(), QJsonObject{{"dest/top", ""},
                                                 {"dest/a/in-a", ""},
                                                 {"dest/a/b/in-b", ""},
                                                 {"dest/file", ""},
                                                 {"dest2/", ""},
                                                 {"outside/", ""}}));
        const QList<std::pair<QByteArray, QByteArray>> links{{"rel-in", "a/b"},
                                                             {"a/up-in", "../a"},
                                                             {"abs-in", root + "/dest/a/b"},
                                                             {"a/up-out", "../../outside"},
                                                             {"abs-out", root + "/outside"},
                                                             {"sibling", root + "/dest2"},
                                                             {"loop", "loop"},
                                                             {"dangling", "nowhere"}};
        for (const auto& [at, target] : links)
            QVERIFY(::symlink(target.constData(), (root + "/dest/" + at).constData()) == 0);

        PosixFileSystem fs;
        fs.setResolveStrategy(Strategy(strategy));
        FolderHandle top;
        QCOMPARE(fs.openFolder(tmp.filePath("dest"), &top), 0);
        FolderHandle folder;
        QTEST(fs.openBeneath(top, relative, &folder), "error");
        QFETCH(QByteArray, opened);
        QVERIFY(opened.isEmpty() ? !folder.isOpen() : fs.existsAt(folder, opened));
    }
};

QTEST_GUILESS_MAIN(RunRaceTest)
#include "tst_runrace.moc"
