#include "cli/clicontext.h"
#include "cli/commands.h"

namespace quillory {

namespace {

// A new record takes its values before it is listed; a listed one through the document.
bool assign(CliContext& ctx, Document& doc, const Record& r, const QStringList& assignments,
            bool listed)
{
    for (const QString& a : assignments) {
        QString field, value;
        if (!ctx.splitAssignment(a, &field, &value))
            return false;
        const int index = ctx.resolveField(doc, field);
        if (index < 0)
            return false;
        const QString& inner = doc.keyArray()[index].innerKey;
        if (listed)
            doc.setRecordValue(r, inner, Value::string(value));
        else
            r->set(inner, Value::string(value));
    }
    return true;
}

} // namespace

int recordCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli record add DOC [FIELD=VALUE...] | record set DOC N FIELD=VALUE... | "
        "record delete DOC N\nN is the record's 1-based position in the stored order.");
    QCommandLineParser parser;
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 2, -1, &code))
        return code;
    const QStringList pos = parser.positionalArguments();
    const QString action = pos[0];
    const QString path = pos[1];
    if (action != QLatin1String("add") && action != QLatin1String("set") &&
        action != QLatin1String("delete"))
        return ctx.fail(ExitUsage,
                        QStringLiteral("unknown record action '%1'\nUsage: %2").arg(action, usage));
    auto doc = ctx.loadDocument(path);
    if (!doc)
        return ExitUsage;

    if (action == QLatin1String("add")) {
        const Record r = doc->newRecord();
        if (!assign(ctx, *doc, r, pos.mid(2), false))
            return ExitUsage;
        doc->appendRecord(r);
        ctx.out() << "Added record " << doc->dataArray().size() << " (counter "
                  << r->value(kCounterKey).toInteger() << ")\n";
    } else {
        if (pos.size() < 3 || (action == QLatin1String("delete") && pos.size() != 3))
            return ctx.fail(ExitUsage, QStringLiteral("wrong arguments\nUsage: ") + usage);
        bool ok = false;
        const qint64 n = pos[2].toLongLong(&ok);
        if (!ok || n < 1 || n > qint64(doc->dataArray().size()))
            return ctx.fail(ExitUsage, QStringLiteral("no record %1 (the document has %2)")
                                           .arg(pos[2])
                                           .arg(doc->dataArray().size()));
        const Record r = doc->dataArray()[n - 1];
        if (action == QLatin1String("set")) {
            if (pos.size() < 4)
                return ctx.fail(ExitUsage, QStringLiteral("nothing to set\nUsage: ") + usage);
            if (!assign(ctx, *doc, r, pos.mid(3), true))
                return ExitUsage;
        } else {
            doc->deleteRecord(r);
        }
    }
    return ctx.saveDocument(*doc, path) ? ExitOk : ExitUsage;
}

} // namespace quillory
