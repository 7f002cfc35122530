#pragma once

#include <QString>

#include <optional>

namespace quillory {

// The layouts an export writes: the user's own, or one of the fixed ones.
enum class ExportFormat { Custom, TabSeparated, QuotedCsv, HtmlTable, HtmlPage, PlainCsv };

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

    // The fixed layout of a format; the custom one gives the empty layout.
    static ExportLayout fixedForFormat(ExportFormat format);
    // The custom layout: each text with backslash-n turned into LF, then backslash-t into TAB.
    static ExportLayout custom(const QString& startOfFile, const QString& endOfFile,
                               const QString& startOfRecord, const QString& endOfRecord,
                               const QString& fieldOpenTag, const QString& fieldCloseTag,
                               const QString& fieldSeparator,
                               const std::optional<QString>& useEndOfRecordInLastRecord);
    // The file type offered in the save panel for a format.
    static QString fileTypeForFormat(ExportFormat format);

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
