#pragma once

#include "core/fieldkey.h"
#include "core/importtarget.h"
#include "core/record.h"
#include "exchange/importdestination.h"
#include "exchange/importrows.h"
#include "exchange/textfiledecoder.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>
#include <vector>

namespace quillory {

// One import into a target: reads a delimited text file into rows and columns, holds the
// user's mapping of columns to destinations, and turns every row into a new record.
class ImportSession
{
public:
    // How a file's rows are cut into fields; Automatic guesses it from the text.
    enum class FileFormat { Automatic, Tab, Comma, Semicolon };
    // Called with (done, total) while a file is parsed and while records are made.
    using ProgressCallback = std::function<void(qint64 done, qint64 total)>;

    // target receives the new fields and records (not owned); without one the session only
    // parses and maps.
    explicit ImportSession(ImportTarget* target = nullptr);
    ImportSession(const ImportSession&) = delete;
    ImportSession& operator=(const ImportSession&) = delete;

    // A file can be parsed without a target (on another thread than the target's) and the
    // target attached afterwards; prepareMapping() then takes its fields and counters.
    void setTarget(ImportTarget* target) { m_target = target; }

    // ---- Parsing ------------------------------------------------------------------------
    // Parses with automatic format and encoding.
    void load(const QString& path);
    // Replaces the rows with those of the file and maps every column to Skip. The caller then
    // shows the mapping (prepareMapping) or imports at once (run).
    void load(const QString& path, FileFormat format, TextEncoding encoding);
    // The same from decoded text (none: no lines).
    void loadText(std::optional<QString> text, FileFormat format);
    // The same from rows read elsewhere (a workbook's sheet, see WorkbookReader).
    void loadRows(ImportRows rows);

    // Fields of the first row of a text (a line, unless quotes hold a line end) cut at commas /
    // semicolons outside double quotes, or none for a line that is empty or spaces only.
    static std::optional<QStringList> splitCommaRow(QStringView line);
    static std::optional<QStringList> splitSemicolonRow(QStringView line);
    // Comma if its field sum beats both others, else semicolon if it does, else tab.
    // The text's line ends must be LF.
    static FileFormat guessFileFormat(QStringView text);

    const ImportRows& importRows() const { return m_rows; }
    qsizetype numberOfImportRows() const { return m_rows.rowCount(); }
    // Index of the import row shown with the mapping, -1 for none.
    qsizetype selectedImportRow() const { return m_selectedRow; }
    qsizetype widestRowFieldCount() const { return m_numOfMaxField; }
    // One destination per column of the widest row.
    const std::vector<ImportDestination>& mapping() const { return m_mapping; }

    void setProgressCallback(ProgressCallback callback) { m_progress = std::move(callback); }

    // ---- Mapping -----------------------------------------------------------------------------
    // The target's user fields as prepareMapping took them, in order: the fields a column can
    // be sent to.
    const std::vector<FieldKey>& destinationFields() const { return m_userFields; }

    // Shows the first row, takes the target's user fields as destinations and its largest
    // counter as the start of the new records' counters.
    void prepareMapping();
    // Makes the new fields, then one record per import row, and hands them to the target
    // (preparing the mapping first if nobody did):
    // prepareRun, buildRecords and finishRun in turn.
    void run();
    // Frees the rows read from the file (and the file's text) once the records are made: a
    // large file's rows take as much memory as its records, and a save comes next.
    void releaseRows() { m_rows.reset(); }
    // The steps of run, for a caller that builds the records on another thread: prepareRun and
    // finishRun change the target; buildRecords touches only the session.
    void prepareRun();
    ImportBatch buildRecords();
    void finishRun(ImportBatch batch);

    // Sends column to destination; false for a column out of range or a field that is not one
    // of destinationFields(). A field is the destination of one column at most: other columns
    // that had it become Skip; NewField may be chosen for any number of columns.
    bool setDestination(qsizetype column, const ImportDestination& destination);
    // What was chosen for the columns and the first row: kept over a new reading of the same
    // file in another encoding (restored after its prepareMapping), so that nothing chosen is
    // silently dropped. Columns past the new reading's widest row go.
    struct Choices
    {
        std::vector<ImportDestination> mapping;
        bool doNotImportFirstRecord = false;
        bool useFirstRecordAsFieldsName = false;
        bool useHeaderNames = false;
    };
    Choices choices() const;
    void restoreChoices(const Choices& kept);
    // Every column to Skip.
    void resetMapping();
    void mapAllToNewFields();
    // Column i to the i-th destination field, Skip past the last.
    void mapInCascade();
    // Maps columns whose first-row text names a user field (case-insensitively; of namesakes
    // the later field) and marks the first row as a header; two columns may then name the same
    // field. Does nothing when there is no import row.
    void mapFromFirstRow();
    // The "first row holds the field names" option changed: the first row is then skipped.
    void firstRowSetFieldsNameSelected();
    void showNextRecord();
    void showPrevRecord();
    int numberOfImportedFields() const { return m_numberOfImportedFields; }
    int currentRecordIndex() const { return m_currentRecordIndex; }
    bool doNotImportFirstRecord() const { return m_doNotImportFirstRecord; }
    void setDoNotImportFirstRecord(bool d) { m_doNotImportFirstRecord = d; }
    void setUseFirstRecordAsFieldsName(bool u) { m_useFirstRecordAsFieldsName = u; }
    // New fields made for columns are named after the first row, which then makes no record
    // and takes no counter. Off by default.
    void setUseHeaderNamesForNewFields(bool u) { m_useHeaderNames = u; }
    bool useHeaderNamesForNewFields() const { return m_useHeaderNames; }

private:
    void parseText(QString& text, FileFormat format);
    void prepareDestinations();
    // Makes the new fields and fills columnInnerKeys.
    void resolveColumnKeys();
    void countImportedFields();
    void reportProgress(qint64 done, qint64 total) const;
    // The inner key that receives column values, or "" when the column is skipped.
    QString destinationKeyForColumn(qsizetype column, qsizetype fieldsInRow) const;

    ImportTarget* m_target = nullptr;
    // The target's user fields as the mapping was prepared.
    std::vector<FieldKey> m_userFields;
    QStringList m_columnInnerKeys;
    std::vector<ImportDestination> m_mapping;
    // The user fields' inner keys as the import starts; records share these strings.
    std::vector<QString> m_userInnerKeys;

    ImportRows m_rows;
    qsizetype m_selectedRow = -1;
    qsizetype m_numOfMaxField = 0;
    bool m_mappingPrepared = false;
    ProgressCallback m_progress;
    qint64 m_nextCounter = 1;

    int m_numberOfImportedFields = 0;
    int m_currentRecordIndex = 1;
    bool m_doNotImportFirstRecord = false;
    bool m_useFirstRecordAsFieldsName = false;
    bool m_useHeaderNames = false;
};

} // namespace quillory
