#include "cli/clicontext.h"
#include "cli/commands.h"
#include "cli/suggestion.h"
#include "commands/recordcommands.h"
#include "commands/undostack.h"

#include <set>

namespace quillory {

namespace {

bool assign(CliContext& ctx, UndoStack& stack, const Record& r, const QStringList& assignments)
{
    const Document& doc = stack.document();
    for (const QString& a : assignments) {
        QString field, value;
        if (!ctx.splitAssignment(a, &field, &value))
            return false;
        const int index = ctx.resolveField(doc, field);
        if (index < 0)
            return false;
        commands::editValue(stack, r, doc.keyArray()[size_t(index)].innerKey, Value::string(value));
    }
    return true;
}

// The positions that "N", "N-M" and lists of them ("1,4-6") name, each from 1 to count; none
// after printing why.
std::optional<std::set<qint64>> positions(CliContext& ctx, const QStringList& lists, qint64 count)
{
    std::set<qint64> chosen;
    for (const QString& list : lists) {
        for (const QString& range : list.split(QLatin1Char(','))) {
            const qsizetype dash = range.indexOf(QLatin1Char('-'), 1);
            const QString from = dash < 0 ? range : range.left(dash);
            const QString to = dash < 0 ? range : range.mid(dash + 1);
            const auto first = ctx.position(from, count, QStringLiteral("record"),
                                            QStringLiteral("the document has"));
            if (!first)
                return std::nullopt;
            const auto last = ctx.position(to, count, QStringLiteral("record"),
                                           QStringLiteral("the document has"));
            if (!last)
                return std::nullopt;
            if (*last < *first) {
                ctx.usageError(QStringLiteral("the range '") + range +
                               QStringLiteral("' runs backwards"));
                return std::nullopt;
            }
            for (qint64 n = *first; n <= *last; ++n)
                chosen.insert(n);
        }
    }
    return chosen;
}

} // namespace

int recordCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli record add DOC [FIELD=VALUE...] | record set DOC N FIELD=VALUE... | "
        "record delete DOC (N|N-M)[,...]... | record delete DOC --all\nN is the record's "
        "1-based position in the stored order; FIELD a name or #N.");
    QCommandLineParser parser;
    const QCommandLineOption all(QStringLiteral("all"), QStringLiteral("delete: every record."));
    parser.addOption(all);
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 2, -1, &code))
        return code;
    const QStringList pos = parser.positionalArguments();
    const QString action = pos[0];
    const QString path = pos[1];
    static const QStringList actions{QStringLiteral("add"), QStringLiteral("set"),
                                     QStringLiteral("delete")};
    if (!actions.contains(action))
        return ctx.usageError(QStringLiteral("unknown record action '") + action + u'\'' +
                              didYouMean(action, actions));
    if (parser.isSet(all) && (action != QLatin1String("delete") || pos.size() != 2))
        return ctx.usageError(QStringLiteral("--all goes with 'record delete DOC' alone"));
    if (action == QLatin1String("delete") && pos.size() < 3 && !parser.isSet(all))
        return ctx.usageError(QStringLiteral("name the records to delete, or give --all"));
    if (action == QLatin1String("set") && pos.size() < 4)
        return ctx.usageError(QStringLiteral("nothing to set"));
    auto doc = ctx.loadDocument(path);
    if (!doc)
        return ExitUsage;
    const qint64 count = qint64(doc->dataArray().size());
    UndoStack stack(*doc);

    if (action == QLatin1String("add")) {
        // The window's command, over every record: a new one at the end, numbered after the
        // largest counter.
        const Record r = commands::addRecord(stack, RecordArrangement{});
        if (!assign(ctx, stack, r, pos.mid(2)))
            return ExitUsage;
        return ctx.saveAndReport(*doc, path,
                                 QStringLiteral("Added record %1 (counter %2)")
                                     .arg(QString::number(doc->dataArray().size()),
                                          QString::number(r->value(kCounterKey).toInteger())));
    }
    if (action == QLatin1String("set")) {
        const auto n = ctx.position(pos[2], count, QStringLiteral("record"),
                                    QStringLiteral("the document has"));
        if (!n || !assign(ctx, stack, doc->dataArray()[size_t(*n - 1)], pos.mid(3)))
            return ExitUsage;
        return ctx.saveAndReport(*doc, path);
    }
    if (parser.isSet(all)) {
        commands::deleteRecords(stack, doc->dataArray());
        return ctx.saveAndReport(*doc, path,
                                 QStringLiteral("Deleted %1 records").arg(QString::number(count)));
    }
    const auto chosen = positions(ctx, pos.mid(2), count);
    if (!chosen)
        return ExitUsage;
    std::vector<Record> doomed;
    for (qint64 n : *chosen)
        doomed.push_back(doc->dataArray()[size_t(n - 1)]);
    commands::deleteRecords(stack, doomed);
    return ctx.saveAndReport(
        *doc, path, QStringLiteral("Deleted %1 records").arg(QString::number(doomed.size())));
}

} // namespace quillory
