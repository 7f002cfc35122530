#include "cli/clicontext.h"
#include "cli/commands.h"
#include "cli/streams.h"
#include "cli/suggestion.h"
#include "exchange/exportfieldpicker.h"
#include "exchange/exportwriter.h"

#include <QFileInfo>

#include <optional>

namespace quillory {

int exportCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli export DOC OUT "
        "[--format tsv|csv|csv-plain|csv-semicolon|html-table|html-page|xlsx|custom] "
        "[--fields A,B,...] [--header] [--start-of-file T] [--end-of-file T] [--start-of-record T] "
        "[--end-of-record T] [--field-open T] [--field-close T] [--field-separator T] "
        "[--end-of-record-in-last yes|no] [--force]\n"
        "Writes every record to OUT, or to standard output when OUT is -. An existing file is "
        "replaced only with --force; a FIFO or device is written in place. Default: tsv with all "
        "fields in key order. csv-semicolon is quoted like csv, with semicolons between values, "
        "as spreadsheets set to many European locales expect; xlsx writes a workbook of one sheet "
        "with every value as text. The layout texts belong "
        "to the custom format, where \\n and \\t stand for a line end and a tab.");
    QCommandLineParser parser;
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("Output format."),
                                    QStringLiteral("FORMAT"), QStringLiteral("tsv"));
    const QCommandLineOption fields(QStringLiteral("fields"),
                                    QStringLiteral("Fields to export, in order (names or #N)."),
                                    QStringLiteral("A,B,..."));
    const QCommandLineOption header(QStringLiteral("header"),
                                    QStringLiteral("Write the field names as a first row."));
    const QCommandLineOption lastEnd(QStringLiteral("end-of-record-in-last"),
                                     QStringLiteral("Custom format: end the last record too."),
                                     QStringLiteral("yes|no"));
    struct LayoutOption
    {
        QCommandLineOption option;
        QString ExportWriter::*member;
    };
    const std::vector<LayoutOption> layout{
        {{QStringLiteral("start-of-file"), QStringLiteral("Custom: text at the start."),
          QStringLiteral("T")},
         &ExportWriter::start_of_file},
        {{QStringLiteral("end-of-file"), QStringLiteral("Custom: text at the end."),
          QStringLiteral("T")},
         &ExportWriter::end_of_file},
        {{QStringLiteral("start-of-record"), QStringLiteral("Custom: text before each record."),
          QStringLiteral("T")},
         &ExportWriter::start_of_record},
        {{QStringLiteral("end-of-record"), QStringLiteral("Custom: text after each record."),
          QStringLiteral("T")},
         &ExportWriter::end_of_record},
        {{QStringLiteral("field-open"), QStringLiteral("Custom: text before each value."),
          QStringLiteral("T")},
         &ExportWriter::field_open_tag},
        {{QStringLiteral("field-close"), QStringLiteral("Custom: text after each value."),
          QStringLiteral("T")},
         &ExportWriter::field_close_tag},
        {{QStringLiteral("field-separator"), QStringLiteral("Custom: text between values."),
          QStringLiteral("T")},
         &ExportWriter::field_separator},
    };
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Replace an existing file."));
    parser.addOptions({format, fields, header, lastEnd, force});
    for (const LayoutOption& o : layout)
        parser.addOption(o.option);
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 2, 2, &code))
        return code;

    const std::optional<ExportFormat> fmt = ExportLayout::formatNamed(parser.value(format));
    if (!fmt)
        return ctx.usageError(QStringLiteral("unknown format '") + parser.value(format) + u'\'' +
                              didYouMean(parser.value(format), ExportLayout::formatNames()));
    const bool custom = *fmt == ExportFormat::Custom;
    for (const LayoutOption& o : layout)
        if (parser.isSet(o.option) && !custom)
            return ctx.fail(ExitUsage, QStringLiteral("--%1 applies to --format custom only")
                                           .arg(o.option.names().front()));
    if (parser.isSet(lastEnd) && !custom)
        return ctx.fail(ExitUsage,
                        QStringLiteral("--end-of-record-in-last applies to --format custom only"));

    const QString docPath = parser.positionalArguments()[0];
    const QString outPath = parser.positionalArguments()[1];
    auto doc = ctx.loadDocument(docPath);
    if (!doc)
        return ExitUsage;

    ExportWriter manager = ExportWriter::forDocument(*doc, QFileInfo(docPath).fileName());
    ExportFieldPicker picker = ExportFieldPicker::forDocument(*doc);
    manager.fileFormatToSave = *fmt;
    manager.setCustomFields(*fmt);
    for (const LayoutOption& o : layout)
        if (parser.isSet(o.option))
            manager.*(o.member) = parser.value(o.option);
    if (parser.isSet(lastEnd)) {
        const QString v = parser.value(lastEnd).toLower();
        if (v != QLatin1String("yes") && v != QLatin1String("no"))
            return ctx.fail(ExitUsage, QStringLiteral("--end-of-record-in-last takes yes or no"));
        manager.use_end_of_record_in_last_record =
            v == QLatin1String("yes") ? QStringLiteral("YES") : QStringLiteral("NO");
    }
    manager.useFieldNamesAsFirstRow = parser.isSet(header);

    if (parser.isSet(fields)) {
        // One at a time, so that the exported order is the order given.
        for (const QString& name :
             parser.value(fields).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const int keyIndex = ctx.resolveField(*doc, name);
            if (keyIndex < 0)
                return ExitUsage;
            const QString inner = doc->keyArray()[keyIndex].innerKey;
            const auto& left = picker.leftKeyArray();
            int at = -1;
            for (int i = 0; i < int(left.size()); ++i)
                if (left[i].innerKey == inner)
                    at = i;
            if (at < 0)
                return ctx.fail(ExitUsage, QStringLiteral("field '") + name +
                                               QStringLiteral("' is given twice"));
            picker.setLeftSelection({at});
            picker.addSelectedToRight();
        }
    } else {
        picker.addAllToRight();
    }
    manager.setFields(picker.rightKeyArray());

    // A stream or device is written in place: renaming a file over it would replace the node.
    const bool inPlace = outPath == QLatin1String("-") || Streams::isSpecialNode(outPath);
    if (!inPlace && QFileInfo(outPath).isFile() && !parser.isSet(force))
        return ctx.fail(ExitUsage,
                        QStringLiteral("'") + outPath +
                            QStringLiteral("' already exists (use --force to replace it)"));
    if (const std::optional<QString> why = manager.refusal())
        return ctx.fail(ExitUsage, QStringLiteral("cannot write the export: ") + *why);
    const Result<> written =
        inPlace ? Streams::writeInPlace(outPath,
                                        [&manager](const Streams::Writer& write) {
                                            return manager.writeInParts(write).ok();
                                        })
                : manager.writeToFile(outPath);
    if (!written)
        return ctx.fail(ExitUsage, written.message());
    // Status goes to stderr: standard output may be the data itself.
    ctx.err() << "Exported " << manager.dataArray().size() << " records, "
              << manager.fields().size() << " fields, to "
              << (outPath == QLatin1String("-") ? QStringLiteral("standard output") : outPath)
              << Qt::endl;
    return ExitOk;
}

} // namespace quillory
