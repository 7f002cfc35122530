#include "cli/clicontext.h"

#include "archive/documentcodec.h"
#include "merge/generateditems.h"

#include <QFile>

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

bool CliContext::parse(QCommandLineParser& parser, const QStringList& args, const QString& usage,
                       int* exitCode)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringLiteral("help"), QStringLiteral("Show this help."));
    parser.addOption(help);
    // QCommandLineParser expects the program name first.
    if (!parser.parse(QStringList{QStringLiteral("quillory-cli")} + args)) {
        *exitCode = fail(ExitUsage, parser.errorText() + QStringLiteral("\nUsage: ") + usage);
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
        *exitCode = fail(ExitUsage, QStringLiteral("wrong number of arguments\nUsage: ") + usage);
        return false;
    }
    return true;
}

std::unique_ptr<Document> CliContext::newDocument()
{
    auto doc = std::make_unique<Document>(&m_defaults);
    doc->prepareOpened();
    GeneratedItems::rebuild(*doc);
    return doc;
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
    doc->prepareOpened();
    GeneratedItems::rebuild(*doc);
    doc->markSaved();
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

int CliContext::resolveField(const Document& doc, const QString& name)
{
    const std::vector<int> found = doc.keyIndicesForName(name);
    if (found.empty()) {
        fail(ExitUsage, QStringLiteral("no field named '%1'").arg(name));
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
