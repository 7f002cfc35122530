#pragma once

#include "core/fieldkey.h"
#include "core/record.h"
#include "exchange/exportlayout.h"

#include <QString>

#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace quillory {

class Document;

// The outcome of writing an export file; message says what failed and on what.
struct ExportResult
{
    bool ok = false;
    QString message;
    explicit operator bool() const { return ok; }
};

// Holds the settings of one export command (the fields chosen and their order, the format,
// the first row) and writes all records of a document as one text file.
class ExportWriter
{
public:
    // records: the document's whole dataArray in stored order; keys: its user fields (the key
    // list from position 2 on).
    ExportWriter(std::vector<Record> records, std::vector<FieldKey> keys);
    // A manager for the document's records and user fields. With a display name, the
    // suggested file name is made from it; otherwise it stays "Export".
    static ExportWriter forDocument(const Document& doc, const QString& displayName = {});
    virtual ~ExportWriter() = default;
    ExportWriter(const ExportWriter&) = default;
    ExportWriter& operator=(const ExportWriter&) = default;
    ExportWriter(ExportWriter&&) = default;
    ExportWriter& operator=(ExportWriter&&) = default;

    // "<name without extension> Export".
    static QString suggestedFileNameForDocumentName(const QString& displayName);

    const std::vector<Record>& dataArray() const { return m_dataArray; }
    const std::vector<FieldKey>& allKeyArray() const { return m_allKeyArray; }
    const std::vector<FieldKey>& leftKeyArray() const { return m_leftKeyArray; }
    const std::vector<FieldKey>& rightKeyArray() const { return m_rightKeyArray; }

    // ---- Field lists ------------------------------------------------------------------
    // Selections as the two lists hold them: indices into each list. Indices outside the
    // list are dropped.
    const std::set<int>& leftSelection() const { return m_leftSelection; }
    void setLeftSelection(std::set<int> indices);
    const std::set<int>& rightSelection() const { return m_rightSelection; }
    void setRightSelection(std::set<int> indices);

    // The moved fields become the selection of the list they arrive in; the list they leave
    // is left with no selection. moveUp and moveDown select the moved field.
    void addSelectedToRight();
    void addAllToRight();
    void removeSelectedFromRight();
    void removeAllFromRight();
    void moveUp();
    void moveDown();

    // ---- Settings ---------------------------------------------------------------------
    // The format code (ExportLayout::kCustom to kPlainCsv).
    int fileFormatToSave = ExportLayout::kTabSeparated;
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

    // Fills the seven layout texts and the last-record flag with the layout of the format
    // tag (LF shown as backslash-n, TAB as backslash-t); any tag but 1 to 5 clears them for
    // a custom layout, with the end of record after the last record too.
    void setCustomFields(int tag);

    // The layout that the current format writes with.
    ExportLayout currentLayout() const;
    // The file type offered for the current format.
    QString fileType() const { return ExportLayout::fileTypeForFormat(fileFormatToSave); }

    // ---- Writing ----------------------------------------------------------------------
    // The whole export text.
    QString composeExport() const;
    // Writes the text of composeExport() as UTF-8 without byte-order mark, atomically,
    // replacing an existing file; a failure leaves any existing file as it was. didExport()
    // follows a successful write.
    ExportResult exportToTextFile(const QString& path);

    // Hooks for a subclass; they do nothing here.
    virtual void preExportSettings() {}
    virtual void willExport() {}
    virtual void didExport() {}

private:
    qsizetype estimatedLength(const ExportLayout& layout) const;
    // Composes the export into out. With a flush, the text gathered so far is handed over
    // whenever it passes a chunk size and out starts again empty, so that a writer never
    // holds the whole text; composing stops when the flush fails.
    bool composeInto(QString& out, const std::function<bool(const QString&)>& flush) const;

    std::vector<Record> m_dataArray;
    std::vector<FieldKey> m_allKeyArray;
    std::vector<FieldKey> m_leftKeyArray;
    std::vector<FieldKey> m_rightKeyArray;
    std::set<int> m_leftSelection;
    std::set<int> m_rightSelection;
};

} // namespace quillory
