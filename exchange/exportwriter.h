#pragma once

#include "core/fieldkey.h"
#include "core/record.h"
#include "core/result.h"
#include "exchange/exportlayout.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace quillory {

class Document;

// The settings of one export (the fields in their order, the format, the first row) and the
// writing of all records of a document as one text file.
class ExportWriter
{
public:
    // records: the document's whole dataArray in stored order; fields: the fields to export,
    // in order.
    ExportWriter(std::vector<Record> records, std::vector<FieldKey> fields);
    // A writer for the document's records, with no fields chosen yet. With a display name,
    // the suggested file name is made from it; otherwise it stays "Export".
    static ExportWriter forDocument(const Document& doc, const QString& displayName = {});

    // "<name without extension> Export".
    static QString suggestedFileNameForDocumentName(const QString& displayName);

    const std::vector<Record>& dataArray() const { return m_dataArray; }
    const std::vector<FieldKey>& fields() const { return m_fields; }
    void setFields(std::vector<FieldKey> fields) { m_fields = std::move(fields); }

    ExportFormat fileFormatToSave = ExportFormat::TabSeparated;
    QString start_of_file;
    QString end_of_file;
    QString start_of_record;
    QString end_of_record;
    QString field_open_tag;
    QString field_close_tag;
    QString field_separator;
    // "YES", "NO" or none; read as a boolean for the custom format.
    std::optional<QString> use_end_of_record_in_last_record;
    bool useFieldNamesAsFirstRow = false;
    QString suggestedFileName = QStringLiteral("Export");
    // The title of the HTML page: the document's name without extension.
    QString pageTitle = QStringLiteral("Export");

    // Fills the seven layout texts and the last-record flag with the layout of a fixed format
    // (LF shown as backslash-n, TAB as backslash-t); the custom format clears them, with the
    // end of record after the last record too.
    void setCustomFields(ExportFormat preset);

    // The layout that the current format writes with.
    ExportLayout currentLayout() const;
    // The file type offered for the current format.
    QString fileType() const { return ExportLayout::fileTypeForFormat(fileFormatToSave); }

    // The whole export text (empty for a workbook, which is no text).
    QString composeExport() const;
    // Why the records cannot be written in the current format (a workbook limits its cells),
    // or none.
    std::optional<QString> refusal() const;
    // Hands the export to write in parts of about a megabyte, so that the whole of it is never
    // held: the text of composeExport() as UTF-8 without byte-order mark, or the workbook's
    // bytes. Fails as soon as write does, or when refusal() gives a reason.
    Result<> writeInParts(const std::function<bool(const QByteArray& part)>& write) const;
    // Writes the export atomically, replacing an existing file; a failure leaves any existing
    // file as it was.
    Result<> writeToFile(const QString& path) const;

private:
    qsizetype estimatedLength(const ExportLayout& layout) const;
    // Composes the export into out. With a flush, the text gathered so far is handed over
    // whenever it passes a chunk size and out starts again empty, so that a writer never
    // holds the whole text; composing stops when the flush fails.
    bool composeInto(QString& out, const std::function<bool(const QString&)>& flush) const;

    std::vector<Record> m_dataArray;
    std::vector<FieldKey> m_fields;
};

} // namespace quillory
