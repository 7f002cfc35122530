#include "casefile.h"
#include "core/settingsuserdefaults.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace quillory;

class UndoAndDefaultsTest : public QObject
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
};

QTEST_GUILESS_MAIN(UndoAndDefaultsTest)
#include "tst_undo_and_defaults.moc"
