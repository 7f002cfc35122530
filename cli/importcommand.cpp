#include "cli/clicontext.h"
#include "cli/commands.h"
#include "cli/streams.h"
#include "cli/suggestion.h"
#include "commands/importstep.h"
#include "commands/recordcommands.h"
#include "commands/undostack.h"
#include "exchange/importfilecheck.h"
#include "exchange/importsession.h"
#include "exchange/textfiledecoder.h"
#include "exchange/workbookreader.h"

#include <QFileInfo>

#include <map>
#include <utility>

namespace quillory {

int importCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli import DOC FILE [--format auto|tab|comma|semicolon] "
        "[--encoding auto|utf8|utf16|utf16be|utf16le|utf32|utf32be|utf32le|macroman|ascii|"
        "windows-1252|iso-8859-1|iso-8859-15] "
        "[--map none|new|cascade|first-row] [--column K=DEST]... [--skip-first-row] "
        "[--header-names] [--replace] [--sheet NAME|N]\n"
        "Appends one record per row of FILE (- reads standard input), delimited text or a "
        "workbook (.xlsx, .ods; told by its content), whose first sheet is read unless --sheet "
        "names another. With --replace the rows "
        "take the place of all records, numbered from 1. --map (default new) is applied first, "
        "then each "
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
    const QCommandLineOption replace(QStringLiteral("replace"),
                                     QStringLiteral("Replace all records with the file's rows."));
    const QCommandLineOption sheet(QStringLiteral("sheet"),
                                   QStringLiteral("Sheet of a workbook FILE: its name or number "
                                                  "from 1."),
                                   QStringLiteral("SHEET"));
    parser.addOptions({format, encoding, map, column, skipFirst, headerNames, replace, sheet});
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 2, 2, &code))
        return code;

    using Format = ImportSession::FileFormat;
    static const std::map<QString, Format> formats{
        {QStringLiteral("auto"), Format::Automatic},
        {QStringLiteral("tab"), Format::Tab},
        {QStringLiteral("comma"), Format::Comma},
        {QStringLiteral("semicolon"), Format::Semicolon}};
    static const std::map<QString, TextEncoding> encodings{
        {QStringLiteral("auto"), TextEncoding::Automatic},
        {QStringLiteral("utf8"), TextEncoding::Utf8},
        {QStringLiteral("utf16"), TextEncoding::Utf16},
        {QStringLiteral("utf16be"), TextEncoding::Utf16BigEndian},
        {QStringLiteral("utf16le"), TextEncoding::Utf16LittleEndian},
        {QStringLiteral("utf32"), TextEncoding::Utf32},
        {QStringLiteral("utf32be"), TextEncoding::Utf32BigEndian},
        {QStringLiteral("utf32le"), TextEncoding::Utf32LittleEndian},
        {QStringLiteral("macroman"), TextEncoding::MacOSRoman},
        {QStringLiteral("ascii"), TextEncoding::Ascii},
        {QStringLiteral("windows-1252"), TextEncoding::Windows1252},
        {QStringLiteral("iso-8859-1"), TextEncoding::Iso88591},
        {QStringLiteral("iso-8859-15"), TextEncoding::Iso885915}};
    const auto fmt = formats.find(parser.value(format));
    if (fmt == formats.end())
        return ctx.usageError(QStringLiteral("unknown format '") + parser.value(format) + u'\'' +
                              didYouMean(parser.value(format), keysOf(formats)));
    const auto enc = encodings.find(parser.value(encoding));
    if (enc == encodings.end())
        return ctx.usageError(QStringLiteral("unknown encoding '") + parser.value(encoding) +
                              u'\'' + didYouMean(parser.value(encoding), keysOf(encodings)));
    const QString mapping = parser.value(map);
    if (mapping != QLatin1String("none") && mapping != QLatin1String("new") &&
        mapping != QLatin1String("cascade") && mapping != QLatin1String("first-row"))
        return ctx.usageError(
            QStringLiteral("unknown mapping '") + mapping + u'\'' +
            didYouMean(mapping, {QStringLiteral("none"), QStringLiteral("new"),
                                 QStringLiteral("cascade"), QStringLiteral("first-row")}));

    const QString docPath = parser.positionalArguments()[0];
    const QString filePath = parser.positionalArguments()[1];
    const QString shownFile =
        filePath == QLatin1String("-") ? QStringLiteral("standard input") : filePath;
    TextEncoding decodedAs = TextEncoding::Automatic;
    std::optional<QString> text;
    std::optional<ImportRows> sheetRows;
    {
        // Read once: standard input and FIFOs cannot be read again, and a file is decoded the
        // same. The bytes are freed once decoded, before the rows and records are made.
        // A binary or endless file is refused at its first part, before it fills the memory;
        // a workbook (a zip archive) is told by its first bytes and only held to the size.
        ImportFileCheck check(enc->second, shownFile);
        std::optional<QString> refused;
        bool firstPart = true;
        bool workbook = false;
        qint64 workbookBytes = 0;
        const Result<QByteArray> bytes =
            QFileInfo(filePath).isDir()
                ? Result<QByteArray>(fail(QStringLiteral("cannot read '") + filePath +
                                          QStringLiteral("': a folder")))
                : Streams::readAll(filePath, [&](QByteArrayView part) {
                      if (std::exchange(firstPart, false))
                          workbook = WorkbookReader::looksLikeWorkbook(part);
                      if (workbook) {
                          workbookBytes += part.size();
                          if (workbookBytes > ImportFileCheck::kMaxBytes)
                              refused = shownFile + QStringLiteral(" is larger than 1 GiB");
                          return refused;
                      }
                      return refused = check.feed(part);
                  });
        if (bytes && !refused && !workbook)
            refused = check.finish();
        if (refused)
            return ctx.fail(ExitUsage, *refused + QStringLiteral("; nothing changed"));
        if (!bytes)
            return ctx.fail(ExitUsage, bytes.message());
        if (workbook) {
            Result<WorkbookReader> reader = WorkbookReader::open(*bytes, shownFile);
            if (!reader)
                return ctx.fail(ExitUsage, reader.message() + QStringLiteral("; nothing changed"));
            int index = 0;
            if (parser.isSet(sheet)) {
                const std::optional<int> found = reader->findSheet(parser.value(sheet));
                if (!found)
                    return ctx.usageError(QStringLiteral("no sheet '") + parser.value(sheet) +
                                          QStringLiteral("' in ") + shownFile +
                                          QStringLiteral(" (its sheets: ") +
                                          reader->sheetNames().join(QStringLiteral(", ")) + u')');
                index = *found;
            }
            Result<ImportRows> rows = reader.value().readSheet(index);
            if (!rows)
                return ctx.fail(ExitUsage, rows.message() + QStringLiteral("; nothing changed"));
            sheetRows = std::move(rows.value());
        } else if (parser.isSet(sheet)) {
            return ctx.usageError(QStringLiteral("--sheet applies to workbooks (.xlsx, .ods) "
                                                 "only, and ") +
                                  shownFile + QStringLiteral(" is text"));
        } else {
            text = TextFileDecoder::decodeFileBytes(*bytes, enc->second, &decodedAs);
        }
    }
    if (!text && !sheetRows)
        return ctx.fail(ExitUsage, QStringLiteral("cannot decode ") + shownFile +
                                       QStringLiteral(" as ") + parser.value(encoding) +
                                       QStringLiteral(" text; nothing changed"));
    auto doc = ctx.loadDocument(docPath);
    if (!doc)
        return ExitUsage;

    UndoStack stack(*doc);
    if (parser.isSet(replace)) {
        // Before the session counts from the largest counter: the rows are numbered from 1.
        // The fields stay. Only the save below makes it final.
        commands::deleteRecords(stack, doc->dataArray());
    }
    ImportStep step(stack, QFileInfo(shownFile).fileName());
    ImportSession manager(&step);
    if (sheetRows)
        manager.loadRows(std::move(*sheetRows));
    else
        manager.loadText(std::move(text), fmt->second);
    manager.prepareMapping();
    if (manager.numberOfImportRows() == 0)
        return ctx.fail(ExitUsage, QStringLiteral("no rows in ") + shownFile +
                                       QStringLiteral("; nothing changed"));
    if (enc->second == TextEncoding::Automatic && decodedAs == TextEncoding::MacOSRoman)
        ctx.warn(TextFileDecoder::macRomanFallbackNotice(
            shownFile, QStringLiteral("--encoding windows-1252")));

    if (mapping == QLatin1String("none"))
        manager.resetMapping();
    else if (mapping == QLatin1String("new"))
        manager.mapAllToNewFields();
    else if (mapping == QLatin1String("cascade"))
        manager.mapInCascade();
    else
        manager.mapFromFirstRow();

    const int columns = int(manager.mapping().size());
    for (const QString& assignment : parser.values(column)) {
        QString k, dest;
        if (!ctx.splitAssignment(assignment, &k, &dest))
            return ExitUsage;
        bool ok = false;
        const int col = k.toInt(&ok);
        if (!ok || col < 1 || col > columns)
            return ctx.fail(
                ExitUsage,
                QStringLiteral("no column %1 (the file has %2)").arg(k, QString::number(columns)));
        ImportDestination destination;
        if (dest == QLatin1String("new")) {
            destination = ImportDestination::newField();
        } else if (dest != QLatin1String("skip")) {
            const int keyIndex = ctx.resolveField(*doc, dest);
            if (keyIndex < 0)
                return ExitUsage;
            destination = ImportDestination::field(doc->keyArray()[size_t(keyIndex)].innerKey);
        }
        if (!manager.setDestination(col - 1, destination))
            return ctx.fail(
                ExitUsage,
                QStringLiteral("cannot send column %1 to '%2'").arg(QString::number(col), dest));
    }
    if (parser.isSet(skipFirst))
        manager.setDoNotImportFirstRecord(true);
    manager.setUseHeaderNamesForNewFields(parser.isSet(headerNames));

    manager.run();
    manager.releaseRows();
    return ctx.saveAndReport(
        *doc, docPath,
        QStringLiteral("Imported %1 records, added %2 fields")
            .arg(QString::number(step.recordsAdded()), QString::number(step.fieldsAdded())));
}

} // namespace quillory
