#include "cli/clicontext.h"

#include "archive/documentcodec.h"
#include "cli/suggestion.h"

#include <QFile>
#include <QRegularExpression>

#include <cstdio>

namespace quillory {

CliContext::CliContext(UserDefaults& defaults) : m_defaults(defaults), m_out(stdout), m_err(stderr)
{}

int CliContext::fail(int code, const QString& message)
{
    m_out.flush();
    m_err << "quillory-cli: " << message << Qt::endl;
    return code;
}

int CliContext::usageError(const QString& message)
{
    m_out.flush();
    m_err << "quillory-cli: " << message << '\n'
          << "Try 'quillory-cli " << (m_command.isEmpty() ? QString() : m_command + u' ')
          << "--help' for more information." << Qt::endl;
    return ExitUsage;
}

void CliContext::warn(const QString& message)
{
    m_out.flush();
    m_err << "warning: " << message << Qt::endl;
}

bool CliContext::parse(QCommandLineParser& parser, const QStringList& args, const QString& usage,
                       int* exitCode)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    // QCommandLineParser expects the program name first.
    if (!parser.parse(QStringList{QStringLiteral("quillory-cli")} + args)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            // The help text is the one list of a parser's options.
            QStringList known;
            static const QRegularExpression optionName(QStringLiteral("--([a-z0-9-]+)"));
            for (const auto& m : optionName.globalMatch(parser.helpText()))
                known << QStringLiteral("--") + m.captured(1);
            const QString typed =
                (unknown.front().size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) +
                unknown.front();
            *exitCode = usageError(QStringLiteral("unknown option '") + typed + u'\'' +
                                   didYouMean(typed, known));
        } else {
            // Qt's own wording ("Missing value after '--path'."), in our style.
            QString text = parser.errorText();
            if (text.endsWith(u'.'))
                text.chop(1);
            if (!text.isEmpty())
                text[0] = text[0].toLower();
            *exitCode = usageError(text);
        }
        return false;
    }
    if (parser.isSet(help)) {
        m_out << "Usage: " << usage << "\n\n";
        QString text = parser.helpText();
        // Keep only the options part of Qt's help text: the usage line is ours.
        const qsizetype at = text.indexOf(QLatin1String("Options:"));
        m_out << (at >= 0 ? text.mid(at) : text);
        m_out.flush();
        *exitCode = ExitOk;
        return false;
    }
    return true;
}

bool CliContext::parseCommand(QCommandLineParser& parser, const QStringList& args,
                              const QString& usage, int min, int max, int* exitCode)
{
    return parse(parser, args, usage, exitCode) &&
           expectPositionals(parser, min, max, usage, exitCode);
}

bool CliContext::expectPositionals(const QCommandLineParser& parser, int min, int max,
                                   const QString& usage, int* exitCode)
{
    const int n = int(parser.positionalArguments().size());
    if (n < min || (max >= 0 && n > max)) {
        m_err << "Usage: " << usage << '\n';
        *exitCode = usageError(n < min ? QStringLiteral("missing arguments")
                                       : QStringLiteral("too many arguments"));
        return false;
    }
    return true;
}

std::unique_ptr<Document> CliContext::newDocument()
{
    return std::make_unique<Document>(&m_defaults);
}

std::unique_ptr<Document> CliContext::loadDocument(const QString& path)
{
    auto doc = std::make_unique<Document>(&m_defaults);
    const auto result = DocumentCodec::readFromFile(*doc, path);
    if (!result) {
        const std::optional<Alert>& alert = result.failure().alert;
        if (alert)
            fail(ExitUsage, QStringLiteral("cannot open '%1': %2\n%3")
                                .arg(path, alert->messageText, alert->informativeText));
        else
            fail(ExitUsage, QStringLiteral("cannot open '%1': %2").arg(path, result.message()));
        return nullptr;
    }
    return doc;
}

bool CliContext::saveDocument(const Document& doc, const QString& path)
{
    const auto result = DocumentCodec::writeToFile(doc, path);
    if (!result) {
        fail(ExitUsage, QStringLiteral("cannot save '%1': %2").arg(path, result.message()));
        return false;
    }
    return true;
}

int CliContext::saveAndReport(const Document& doc, const QString& path, const QString& report)
{
    if (!saveDocument(doc, path))
        return ExitUsage;
    if (!report.isEmpty())
        m_err << report << '\n';
    return ExitOk;
}

std::optional<qint64> CliContext::position(const QString& text, qint64 count, const QString& what,
                                           const QString& countedAs)
{
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (ok && n >= 1 && n <= count)
        return n;
    // One substitution pass: a text such as "%1" stays as typed.
    fail(ExitUsage,
         QStringLiteral("no %1 %2 (%3 %4)").arg(what, text, countedAs, QString::number(count)));
    return std::nullopt;
}

int CliContext::resolveField(const Document& doc, const QString& name)
{
    const std::vector<int> found = doc.keyIndicesForName(name);
    if (found.empty()) {
        QStringList names;
        for (size_t i = kFirstUserKeyIndex; i < doc.keyArray().size(); ++i)
            names << doc.keyArray()[i].publicKey;
        fail(ExitUsage,
             QStringLiteral("no field named '") + name + u'\'' + didYouMean(name, names));
        return -1;
    }
    if (found.size() > 1) {
        QStringList refs;
        for (int i : found)
            refs << QLatin1Char('#') + doc.keyArray()[i].innerKey;
        fail(ExitUsage, QStringLiteral("several fields are named '%1'; name one as %2")
                            .arg(name, refs.join(QLatin1String(" or "))));
        return -1;
    }
    return found.front();
}

bool CliContext::splitAssignment(const QString& text, QString* field, QString* value)
{
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        fail(ExitUsage, QStringLiteral("expected FIELD=VALUE, got '%1'").arg(text));
        return false;
    }
    *field = text.left(eq);
    *value = text.mid(eq + 1);
    return true;
}

std::optional<QString> CliContext::templateArgument(const QString& text)
{
    if (!text.startsWith(QLatin1Char('@')))
        return text;
    QFile file(text.mid(1));
    if (!file.open(QIODevice::ReadOnly)) {
        fail(ExitUsage,
             QStringLiteral("cannot read '%1': %2").arg(file.fileName(), file.errorString()));
        return std::nullopt;
    }
    return QString::fromUtf8(file.readAll());
}

} // namespace quillory
