#include "cli/runevents.h"

#include "merge/runlog.h"

namespace quillory {

namespace {

// The log's own texts with nothing after them: its pieces start so.
const QString& createdFolder()
{
    static const QString s = RunLog::createdFolder({});
    return s;
}
const QString& createdFile()
{
    static const QString s = RunLog::createdFile({});
    return s;
}
const QString& skippedFile()
{
    static const QString s = RunLog::skippedFile({});
    return s;
}
const QString& error()
{
    static const QString s = RunLog::error({});
    return s;
}
const QString& rejected()
{
    static const QString s = RunLog::pathRejected({});
    return s;
}
// The line after a rejection names the item, and the record for a One per Record item: its
// fixed parts are found by laying out the log's own text around a marker.
struct ItemErrorLine
{
    QString head;      // up to the item's path
    QString oneMiddle; // between the path and the record number
    QString allTail;   // after the path of an All in One item
};

const ItemErrorLine& itemErrorLine()
{
    static const ItemErrorLine line = [] {
        const QString marker = QStringLiteral("\x01");
        const QString one = RunLog::oneRecordError(marker, 7);
        const QString all = RunLog::allInOneError(marker);
        const qsizetype at = one.indexOf(marker);
        return ItemErrorLine{one.left(at), one.mid(at + 1, one.lastIndexOf(u'7') - at - 1),
                             all.mid(all.indexOf(marker) + 1)};
    }();
    return line;
}

QJsonObject event(const char* name, const char* key, const QString& value)
{
    return QJsonObject{{QStringLiteral("event"), QLatin1String(name)}, {QLatin1String(key), value}};
}

} // namespace

std::optional<QJsonObject> RunEvents::take(const QString& piece)
{
    const auto rest = [&piece](const QString& head) { return piece.mid(head.size()); };
    if (piece.startsWith(createdFolder()))
        return event("folder created", "path", rest(createdFolder()));
    if (piece.startsWith(createdFile()))
        return event("file created", "path", rest(createdFile()));
    if (piece.startsWith(skippedFile()))
        return event("skipped", "path", rest(skippedFile()));
    if (piece.startsWith(error()))
        return event("error", "message", rest(error()));
    if (piece.startsWith(rejected()) && piece.size() > rejected().size()) {
        m_rejection = rest(rejected());
        return std::nullopt;
    }
    const ItemErrorLine& line = itemErrorLine();
    if (m_rejection && piece.startsWith(line.head)) {
        QJsonObject e = event("error", "message", *m_rejection);
        m_rejection.reset();
        const QString body = rest(line.head);
        const qsizetype middle = body.lastIndexOf(line.oneMiddle);
        if (middle >= 0) {
            e.insert(QStringLiteral("item"), body.left(middle));
            e.insert(QStringLiteral("record"),
                     body.mid(middle + line.oneMiddle.size()).trimmed().toLongLong());
        } else {
            e.insert(QStringLiteral("item"),
                     body.endsWith(line.allTail) ? body.chopped(line.allTail.size()) : body);
            e.insert(QStringLiteral("record"), QJsonValue::Null);
        }
        return e;
    }
    return std::nullopt;
}

QJsonObject RunEvents::totals(const RunTotals& totals, bool dryRun)
{
    return QJsonObject{{QStringLiteral("event"), QStringLiteral("totals")},
                       {QStringLiteral("foldersCreated"), totals.foldersCreated},
                       {QStringLiteral("filesCreated"), totals.filesCreated},
                       {QStringLiteral("filesSkipped"), totals.filesSkipped},
                       {QStringLiteral("errors"), totals.errors},
                       {QStringLiteral("dryRun"), dryRun}};
}

} // namespace quillory
