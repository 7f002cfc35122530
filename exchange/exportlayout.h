#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quillory {

// The layouts an export writes: the user's own, or one of the fixed ones. A workbook (.xlsx)
// has no text layout: its layout is empty and it is written by XlsxExport.
enum class ExportFormat {
    Custom,
    TabSeparated,
    QuotedCsv,
    HtmlTable,
    HtmlPage,
    PlainCsv,
    SemicolonCsv,
    Xlsx
};

// The eight texts that shape an export file, as one format lays them out.
struct ExportLayout
{
    QString start_of_file;
    QString end_of_file;
    QString start_of_record;
    QString end_of_record;
    QString field_open_tag;
    QString field_close_tag;
    QString field_separator;
    bool use_end_of_record_in_last_record = false;

    // The fixed layout of a format; the custom one gives the empty layout. pageTitle is the
    // title of the HTML page.
    static ExportLayout fixedForFormat(ExportFormat format, const QString& pageTitle = {});
    // The custom layout: each text with backslash-n turned into LF, then backslash-t into TAB.
    static ExportLayout custom(const QString& startOfFile, const QString& endOfFile,
                               const QString& startOfRecord, const QString& endOfRecord,
                               const QString& fieldOpenTag, const QString& fieldCloseTag,
                               const QString& fieldSeparator,
                               const std::optional<QString>& useEndOfRecordInLastRecord);
    // The file type offered in the save panel for a format.
    static QString fileTypeForFormat(ExportFormat format);
    // The format's name on the command line and in what is remembered ("tsv", "csv"…), and
    // the format of such a name.
    static QString nameOfFormat(ExportFormat format);
    static std::optional<ExportFormat> formatNamed(const QString& name);
    static QStringList formatNames();
    // Whether header cells of the format are written as <th> rather than as its field tags.
    static bool hasHeaderCells(ExportFormat format);

    // Backslash-n becomes LF, then backslash-t becomes TAB.
    static QString expandEscapes(QString text);
    // LF becomes backslash-n and TAB backslash-t, as the settings sheet shows layout texts.
    static QString escapeControls(QString text);
    // A stored flag text read as a boolean: after leading white space and zeros, "Y", "y",
    // "T", "t" or a digit 1-9 means yes; anything else, and none, means no.
    static bool readsAsYes(const std::optional<QString>& flag);

    bool operator==(const ExportLayout&) const = default;
};

} // namespace quillory
