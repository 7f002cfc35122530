#pragma once

#include <QString>

#include <optional>

namespace quillory {

// The eight texts that shape an export file, as one format code lays them out.
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

    // Format codes as the settings sheet's format items carry them in their tags.
    static constexpr int kCustom = 0;
    static constexpr int kTabSeparated = 1;
    static constexpr int kQuotedCsv = 2;
    static constexpr int kHtmlTable = 3;
    static constexpr int kHtmlPage = 4;
    static constexpr int kPlainCsv = 5;

    // The fixed layout of codes 1 to 5; any other code (the custom one included) gives the
    // empty layout.
    static ExportLayout fixedForFormat(int code);
    // The custom layout: each text with backslash-n turned into LF, then backslash-t into TAB.
    static ExportLayout custom(const QString& startOfFile, const QString& endOfFile,
                               const QString& startOfRecord, const QString& endOfRecord,
                               const QString& fieldOpenTag, const QString& fieldCloseTag,
                               const QString& fieldSeparator,
                               const std::optional<QString>& useEndOfRecordInLastRecord);
    // The file type offered in the save panel for a format code.
    static QString fileTypeForFormat(int code);

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
