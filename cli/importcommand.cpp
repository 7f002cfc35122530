#include "cli/clicontext.h"
#include "cli/commands.h"
#include "exchange/importsession.h"

#include <QFileInfo>

#include <map>

namespace quillory {

int importCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli import DOC FILE [--format auto|tab|comma|semicolon] "
        "[--encoding auto|utf8|utf16|utf16be|utf16le|utf32|utf32be|utf32le|macroman|ascii] "
        "[--map none|new|cascade|first-row] [--column K=DEST]... [--skip-first-row] "
        "[--header-names]\n"
        "Appends one record per row of FILE. --map (default new) is applied first, then each "
        "--column in order: K is the 1-based column, DEST a field name, #N, new or skip. "
        "--header-names names the new fields after the first row, which is then not imported.");
    QCommandLineParser parser;
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("Separator of FILE."),
                                    QStringLiteral("FORMAT"), QStringLiteral("auto"));
    const QCommandLineOption encoding(QStringLiteral("encoding"),
                                      QStringLiteral("Text encoding of FILE."),
                                      QStringLiteral("ENCODING"), QStringLiteral("auto"));
    const QCommandLineOption map(QStringLiteral("map"),
                                 QStringLiteral("Where columns go to start with."),
                                 QStringLiteral("MAP"), QStringLiteral("new"));
    const QCommandLineOption column(
        QStringLiteral("column"), QStringLiteral("Where column K goes."), QStringLiteral("K=DEST"));
    const QCommandLineOption skipFirst(QStringLiteral("skip-first-row"),
                                       QStringLiteral("Do not import the first row."));
    const QCommandLineOption headerNames(QStringLiteral("header-names"),
                                         QStringLiteral("Name new fields after the first row."));
    parser.addOptions({format, encoding, map, column, skipFirst, headerNames});
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 2, 2, &code))
        return code;

    static const std::map<QString, int> formats{{QStringLiteral("auto"), 0},
                                                {QStringLiteral("tab"), 1},
                                                {QStringLiteral("comma"), 2},
                                                {QStringLiteral("semicolon"), 3}};
    static const std::map<QString, int> encodings{
        {QStringLiteral("auto"), 0},      {QStringLiteral("utf8"), 1},
        {QStringLiteral("utf16"), 10},    {QStringLiteral("utf16be"), 11},
        {QStringLiteral("utf16le"), 12},  {QStringLiteral("utf32"), 20},
        {QStringLiteral("utf32be"), 21},  {QStringLiteral("utf32le"), 22},
        {QStringLiteral("macroman"), 30}, {QStringLiteral("ascii"), 50}};
    const auto fmt = formats.find(parser.value(format));
    if (fmt == formats.end())
        return ctx.fail(ExitUsage, QStringLiteral("unknown format '%1'").arg(parser.value(format)));
    const auto enc = encodings.find(parser.value(encoding));
    if (enc == encodings.end())
        return ctx.fail(ExitUsage,
                        QStringLiteral("unknown encoding '%1'").arg(parser.value(encoding)));
    const QString mapping = parser.value(map);
    if (mapping != QLatin1String("none") && mapping != QLatin1String("new") &&
        mapping != QLatin1String("cascade") && mapping != QLatin1String("first-row"))
        return ctx.fail(ExitUsage, QStringLiteral("unknown mapping '%1'").arg(mapping));

    const QString docPath = parser.positionalArguments()[0];
    const QString filePath = parser.positionalArguments()[1];
    const QFileInfo file(filePath);
    if (!file.isFile() || !file.isReadable())
        return ctx.fail(ExitUsage, QStringLiteral("cannot read '%1'").arg(filePath));
    auto doc = ctx.loadDocument(docPath);
    if (!doc)
        return ExitUsage;

    ImportSession manager(doc.get());
    manager.setUseSettingsPanel(true);
    manager.load(filePath, fmt->second, enc->second);
    if (manager.numberOfImportRows() == 0 && file.size() > 0)
        return ctx.fail(ExitUsage, QStringLiteral("no rows could be read from '%1' (%2 encoding)")
                                       .arg(filePath, parser.value(encoding)));

    if (mapping == QLatin1String("none"))
        manager.resetMapping();
    else if (mapping == QLatin1String("new"))
        manager.mapAllToNewFields();
    else if (mapping == QLatin1String("cascade"))
        manager.mapInCascade();
    else
        manager.mapFromFirstRow();

    const int columns = int(manager.mappingRows().size());
    for (const QString& assignment : parser.values(column)) {
        QString k, dest;
        if (!ctx.splitAssignment(assignment, &k, &dest))
            return ExitUsage;
        bool ok = false;
        const int col = k.toInt(&ok);
        if (!ok || col < 1 || col > columns)
            return ctx.fail(ExitUsage,
                            QStringLiteral("no column %1 (the file has %2)").arg(k).arg(columns));
        int destination = 0;
        if (dest == QLatin1String("skip"))
            destination = ImportSession::kNoImportDestination;
        else if (dest == QLatin1String("new"))
            destination = ImportSession::kNewFieldDestination;
        else {
            const int keyIndex = ctx.resolveField(*doc, dest);
            if (keyIndex < 0)
                return ExitUsage;
            destination =
                ImportSession::rowToStartCascadeAssignment + keyIndex - kFirstUserKeyIndex;
        }
        if (destination == ImportSession::kNoImportDestination) {
            // Choosing "not imported" is a plain reset of that column.
            manager.chooseDestination(col - 1, ImportSession::kNoImportDestination);
        } else if (!manager.chooseDestination(col - 1, destination)) {
            return ctx.fail(ExitUsage,
                            QStringLiteral("cannot send column %1 to '%2'").arg(col).arg(dest));
        }
    }
    if (parser.isSet(skipFirst))
        manager.setDoNotImportFirstRecord(true);
    manager.setUseHeaderNamesForNewFields(parser.isSet(headerNames));

    const size_t recordsBefore = doc->dataArray().size();
    const size_t fieldsBefore = doc->keyArray().size();
    manager.run();
    if (!ctx.saveDocument(*doc, docPath))
        return ExitUsage;
    ctx.out() << "Imported " << doc->dataArray().size() - recordsBefore << " records, added "
              << doc->keyArray().size() - fieldsBefore << " fields\n";
    return ExitOk;
}

} // namespace quillory
