#include "core/settingsuserdefaults.h"
#include "core/undomanager.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace quillory;

class UndoAndDefaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void inversesRegisteredWhileUndoingBecomeRedo()
    {
        UndoManager undo;
        QStringList log;
        int value = 0;
        // An operation that registers its own inverse, as the document's commands do.
        std::function<void(int)> setValue = [&](int v) {
            const int old = value;
            undo.registerUndo([&, old] { setValue(old); });
            undo.setActionName(QStringLiteral("Set"));
            value = v;
            log << QString::number(v);
        };
        setValue(1);
        setValue(2);
        QCOMPARE(undo.undoActionName(), QStringLiteral("Set"));
        undo.undo();
        QCOMPARE(value, 1);
        QVERIFY(undo.canRedo());
        QCOMPARE(undo.redoActionName(), QStringLiteral("Set"));
        undo.redo();
        QCOMPARE(value, 2);
        QVERIFY(undo.canUndo());
        undo.undo();
        undo.undo();
        QCOMPARE(value, 0);
        QVERIFY(!undo.canUndo());
        undo.redo();
        QCOMPARE(value, 1);
        QVERIFY(undo.canRedo()); // redoing keeps the rest of the redo stack
        setValue(5);
        QVERIFY(!undo.canRedo()); // a new action clears it
        undo.undo();
        QCOMPARE(value, 1);
    }

    void registeredDefaultsAndTheSettingsStore()
    {
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        {
            SettingsUserDefaults defaults;
            QCOMPARE(defaults.boolValue(QStringLiteral("useLeading0ForField1")), true);
            QCOMPARE(defaults.boolValue(QStringLiteral("forceLeading0ForField1")), false);
            QCOMPARE(defaults.integerValue(QStringLiteral("forcedTotLenField1")), 3);
            QCOMPARE(defaults.integerValue(QStringLiteral("userPrefForCheckForUpdate")), 1);
            QCOMPARE(defaults.boolValue(QStringLiteral("notifyUpdate")), true);
            QCOMPARE(UserDefaults::registeredDefaults().size(), 9);
            defaults.setValue(QStringLiteral("forcedTotLenField1"), 6);
            defaults.setValue(QStringLiteral("useLeading0ForField1"), false);
        }
        // Another process (the CLI, the window) sees what was stored.
        SettingsUserDefaults again;
        QCOMPARE(again.integerValue(QStringLiteral("forcedTotLenField1")), 6);
        QCOMPARE(again.boolValue(QStringLiteral("useLeading0ForField1")), false);
        QVERIFY(QFile::exists(home.path() + "/Quillory/Quillory.conf"));
        again.removeValue(QStringLiteral("forcedTotLenField1"));
        QCOMPARE(again.integerValue(QStringLiteral("forcedTotLenField1")), 3);
    }

    void textValuesReadAsPeopleMeanThem()
    {
        MemoryUserDefaults d;
        d.setValue(QStringLiteral("useLeading0ForField1"), QStringLiteral("NO"));
        QCOMPARE(d.boolValue(QStringLiteral("useLeading0ForField1")), false);
        d.setValue(QStringLiteral("useLeading0ForField1"), QStringLiteral("yes"));
        QCOMPARE(d.boolValue(QStringLiteral("useLeading0ForField1")), true);
        d.setValue(QStringLiteral("forcedTotLenField1"), QStringLiteral(" 7 "));
        QCOMPARE(d.integerValue(QStringLiteral("forcedTotLenField1")), 7);
    }
};

QTEST_GUILESS_MAIN(UndoAndDefaultsTest)
#include "tst_undo_and_defaults.moc"
