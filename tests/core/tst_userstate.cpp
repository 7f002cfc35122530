#include "casefile.h"
#include "core/documentmemory.h"
#include "core/settingsuserdefaults.h"

#include <cmath>
#include <limits>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace quillory;

// What Quillory keeps for the user between sessions: the user defaults, and what it remembers
// of each document.
class UserStateTest : public QObject
{
    Q_OBJECT
private slots:
    void registeredDefaultsAndTheSettingsStore()
    {
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        {
            SettingsUserDefaults defaults;
            QCOMPARE(defaults.integerValue(QStringLiteral("forcedTotLenField1")), 3);
            defaults.setValue(QStringLiteral("forcedTotLenField1"), 6);
            defaults.setValue(QStringLiteral("useLeading0ForField1"), false);
        }
        // Another process (the command-line tool, the window) reads what was stored.
        SettingsUserDefaults again;
        QCOMPARE(again.integerValue(QStringLiteral("forcedTotLenField1")), 6);
        QCOMPARE(again.boolValue(QStringLiteral("useLeading0ForField1")), false);
        again.removeValue(QStringLiteral("forcedTotLenField1"));
        QCOMPARE(again.integerValue(QStringLiteral("forcedTotLenField1")), 3);
    }

    // Rows: name, a text stored by hand, how it reads as a boolean and as an integer.
    void textValuesReadAsPeopleMeanThem_data() { addCaseRows("defaulttext.json"); }
    void textValuesReadAsPeopleMeanThem()
    {
        QFETCH(QJsonArray, row);
        MemoryUserDefaults d;
        d.setValue("forcedTotLenField1", row[1].toString());
        QCOMPARE(d.boolValue("forcedTotLenField1"), row[2].toBool());
        QCOMPARE(d.integerValue("forcedTotLenField1"), row[3].toInteger());
    }

    // Values stored with their own types (a plist or another program may hold any of them).
    void typedValuesReadStrictly_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<qint64>("integer");
        QTest::newRow("whole double") << QVariant(4.0) << qint64(4);
        QTest::newRow("fraction") << QVariant(5.7) << qint64(3);
        QTest::newRow("2^63 as double") << QVariant(9223372036854775808.0) << qint64(3);
        QTest::newRow("-2^63 as double")
            << QVariant(-9223372036854775808.0) << std::numeric_limits<qint64>::min();
        QTest::newRow("not a number") << QVariant(std::nan("")) << qint64(3);
        QTest::newRow("unsigned beyond range")
            << QVariant(std::numeric_limits<qulonglong>::max()) << qint64(3);
        QTest::newRow("unsigned in range") << QVariant(qulonglong(12)) << qint64(12);
        QTest::newRow("boolean") << QVariant(true) << qint64(1);
        QTest::newRow("list") << QVariant(QVariantList{1, 2}) << qint64(3);
    }
    void typedValuesReadStrictly()
    {
        QFETCH(QVariant, stored);
        QFETCH(qint64, integer);
        MemoryUserDefaults d;
        d.setValue("forcedTotLenField1", stored);
        QCOMPARE(d.integerValue("forcedTotLenField1"), integer);
    }

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

QTEST_GUILESS_MAIN(UserStateTest)
#include "tst_userstate.moc"
