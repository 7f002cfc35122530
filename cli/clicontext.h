#pragma once

#include "cli/overrideuserdefaults.h"
#include "core/document.h"

#include <QCommandLineParser>
#include <QStringList>
#include <QTextStream>

#include <memory>
#include <optional>

namespace quillory {

// Exit statuses of quillory-cli.
enum ExitCode {
    ExitOk = 0,
    ExitRunErrors = 1,     // the run logged errors
    ExitUsage = 2,         // bad usage, or a document that cannot be read or written
    ExitNoDestination = 3, // the destination is not set or not usable
};

// What every subcommand shares: the user defaults, the output streams, and reading and
// writing documents.
class CliContext
{
public:
    explicit CliContext(UserDefaults& defaults);

    UserDefaults& defaults() { return m_defaults; }
    QTextStream& out() { return m_out; }
    QTextStream& err() { return m_err; }

    // Prints "quillory-cli: <message>" to stderr and returns code.
    int fail(int code, const QString& message);
    // The one form of every usage error: the message, then where to find the command's help;
    // returns ExitUsage.
    int usageError(const QString& message);
    // Prints "warning: <message>" to stderr.
    void warn(const QString& message);
    // The command being run ("record", "prototype add"), for the pointer to its help.
    void setCommand(const QString& command) { m_command = command; }

    // Parses args (the subcommand's own, without its name) with --help added; on --help prints
    // the help text and returns ExitOk through *exitCode; on a parse error returns ExitUsage.
    bool parse(QCommandLineParser& parser, const QStringList& args, const QString& usage,
               int* exitCode);
    // parse, then a check that there are min to max positional arguments (max -1: any).
    bool parseCommand(QCommandLineParser& parser, const QStringList& args, const QString& usage,
                      int min, int max, int* exitCode);
    // Checks the number of positional arguments.
    bool expectPositionals(const QCommandLineParser& parser, int min, int max, const QString& usage,
                           int* exitCode);

    // Reads a document; none after printing the reason. Commands change it only through an
    // UndoStack over it, with the window's own commands.
    std::unique_ptr<Document> loadDocument(const QString& path);
    // A new document with the built-in fields.
    std::unique_ptr<Document> newDocument();
    // Writes the document atomically; false after printing the reason.
    bool saveDocument(const Document& doc, const QString& path);
    // Saves, and only once the document is safely written prints report (a status line) on
    // stderr.
    int saveAndReport(const Document& doc, const QString& path, const QString& report = {});
    // Reads a position argument "N" from 1 to count; none after printing why (what names the
    // thing counted: "record", "item").
    std::optional<qint64> position(const QString& text, qint64 count, const QString& what,
                                   const QString& countedAs);

    // The position of the user field named by a visible name or "#N"; -1 after printing why.
    int resolveField(const Document& doc, const QString& name);
    // Splits "FIELD=VALUE"; false after printing why.
    bool splitAssignment(const QString& text, QString* field, QString* value);
    // Reads a template argument: "@path" is read from that file (UTF-8).
    std::optional<QString> templateArgument(const QString& text);

private:
    UserDefaults& m_defaults;
    QTextStream m_out;
    QTextStream m_err;
    QString m_command;
};

} // namespace quillory
