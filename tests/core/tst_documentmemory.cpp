#include "core/documentmemory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace quillory;

class DocumentMemoryTest : public QObject
{
    Q_OBJECT
private slots:
    // What one session remembers the next one recalls, per document and per topic, whatever
    // the spelling of the document's path; a document never saved keeps nothing.
    void recallsWhatWasRememberedPerDocumentAndTopic()
    {
        QTemporaryDir state;
        QTemporaryDir files;
        const QDir dir(files.path());
        QVERIFY(dir.mkdir("sub"));
        const QString a = dir.filePath("a.quillory");
        const QString b = dir.filePath("b.quillory");
        for (const QString& path : {a, b}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(a, dir.filePath("link.quillory")));
        const QVariantMap imported{{"encoding", "windows-1252"}, {"header", true}};
        const QVariantMap layout{{"geometry", QByteArray("\x01\x00\xff", 3)},
                                 {"widths", QVariantList{120, 80}}};
        {
            DocumentMemory memory(state.filePath("deep/folder"));
            memory.remember(a, "import", imported);
            memory.remember(a, "window", layout);
            memory.remember(b, "import", {{"encoding", "utf-8"}});
            memory.remember(QString(), "import", imported);
            QCOMPARE(memory.recall(QString(), "import"), QVariantMap());
        }
        DocumentMemory later(state.filePath("deep/folder"));
        QCOMPARE(later.recall(a, "import"), imported);
        QCOMPARE(later.recall(a, "window"), layout);
        QCOMPARE(later.recall(dir.filePath("sub/../a.quillory"), "import"), imported);
        QCOMPARE(later.recall(dir.filePath("link.quillory"), "window"), layout);
        QCOMPARE(later.recall(b, "import").value("encoding").toString(), QString("utf-8"));
        QCOMPARE(later.recall(b, "window"), QVariantMap());
        QCOMPARE(later.recall(a, "export"), QVariantMap());
        // Remembering again replaces the topic's values, not merges them.
        later.remember(a, "import", {{"header", false}});
        QCOMPARE(later.recall(a, "import"), (QVariantMap{{"header", false}}));
    }

    // Past the limit the least recently used document is forgotten, not the oldest added.
    void forgetsTheLeastRecentlyUsedDocuments()
    {
        QTemporaryDir state;
        DocumentMemory memory(state.path());
        const auto path = [](int i) { return QStringLiteral("/nowhere/%1.quillory").arg(i); };
        for (int i = 0; i < DocumentMemory::kDocumentsKept; ++i)
            memory.remember(path(i), "export", {{"n", i}});
        memory.remember(path(0), "export", {{"n", 0}});
        memory.remember(path(-1), "export", {{"n", -1}});
        QCOMPARE(memory.recall(path(1), "export"), QVariantMap());
        for (int i : {-1, 0, 2, DocumentMemory::kDocumentsKept - 1})
            QCOMPARE(memory.recall(path(i), "export").value("n").toInt(), i);
    }
};

QTEST_GUILESS_MAIN(DocumentMemoryTest)
#include "tst_documentmemory.moc"
