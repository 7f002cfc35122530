#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Runs quillory-cli as a user would, with its settings kept in a private folder.
class CliDriver
{
public:
    struct Result
    {
        int code = -1;
        QString out;
        QString err;
    };

    CliDriver() { QVERIFY(m_config.isValid()); }

    Result run(const QStringList& args) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUILLORY_CLI_PATH), args);
        if (!p.waitForFinished(120000))
            return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    QJsonObject info(const QString& doc) const
    {
        const Result r = run({QStringLiteral("info"), doc, QStringLiteral("--json")});
        return QJsonDocument::fromJson(r.out.toUtf8()).object();
    }

private:
    QTemporaryDir m_config;
};

// Fails the test with the tool's own words when the status differs. The command runs once.
#define CLI_EXPECT(command, status)                                                                \
    do {                                                                                           \
        const CliDriver::Result r_ = (command);                                                    \
        QVERIFY2(r_.code == (status),                                                              \
                 qPrintable(QString("exit %1: %2").arg(r_.code).arg(r_.err)));                     \
    } while (false)
