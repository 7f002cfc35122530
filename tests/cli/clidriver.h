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

    Result run(const QStringList& args) const { return run(args, {}); }

    // With input on standard input; fileSizeLimit (bytes, 0: none) makes every write past it
    // fail as on a full quota, with the system's "File too large".
    Result run(const QStringList& args, const QByteArray& input, qint64 fileSizeLimit = 0) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        p.setProcessEnvironment(env);
        if (fileSizeLimit > 0) {
            // The shell ignores SIGXFSZ so that the tool sees the failed write, then becomes it.
            const QString limit = QString::number((fileSizeLimit + 511) / 512);
            p.start(QStringLiteral("/bin/sh"),
                    QStringList{"-c", "trap '' XFSZ; ulimit -f " + limit + "; exec \"$0\" \"$@\"",
                                QStringLiteral(QUILLORY_CLI_PATH)} +
                        args);
        } else {
            p.start(QStringLiteral(QUILLORY_CLI_PATH), args);
        }
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000))
            return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    // A new document with the fields Name and City and the records Ann in Rome, Bob in Oslo.
    void makePeople(const QString& doc) const;

    QJsonObject info(const QString& doc) const
    {
        const Result r = run({QStringLiteral("info"), doc, QStringLiteral("--json")});
        return QJsonDocument::fromJson(r.out.toUtf8()).object();
    }

private:
    QTemporaryDir m_config;
};

// Element i of the array under key k of an info object, as an object.
inline QJsonObject at(const QJsonObject& o, const char* k, int i)
{
    return o[k][i].toObject();
}

// Fails the test with the tool's own words when the status differs. The command runs once.
#define CLI_EXPECT(command, status)                                                                \
    do {                                                                                           \
        const CliDriver::Result r_ = (command);                                                    \
        QVERIFY2(r_.code == (status),                                                              \
                 qPrintable(QString("exit %1: %2").arg(r_.code).arg(r_.err)));                     \
    } while (false)

inline void CliDriver::makePeople(const QString& doc) const
{
    CLI_EXPECT(run({"new", doc}), 0);
    CLI_EXPECT(run({"field", "add", doc, "Name"}), 0);
    CLI_EXPECT(run({"field", "add", doc, "City"}), 0);
    CLI_EXPECT(run({"record", "add", doc, "Name=Ann", "City=Rome"}), 0);
    CLI_EXPECT(run({"record", "add", doc, "Name=Bob", "City=Oslo"}), 0);
}
