#include "exchange/importsession.h"

#include "exchange/importlinesplitter.h"
#include "exchange/textfiledecoder.h"

#include <QHash>

#include <limits>

namespace quillory {

const QString ImportSession::kNoImport = QStringLiteral("NO_IMPORT");
const QString ImportSession::kNewField = QStringLiteral("NEW_FIELD");
const QString ImportSession::kImportFlag = QStringLiteral("\u00BB");

namespace {

// Progress is reported every so many lines or rows, so that the callback costs nothing.
constexpr qint64 kProgressStep = 1 << 16;

std::optional<QStringList> splitToList(QStringView line, QChar sep)
{
    std::vector<QStringView> fields;
    ImportLineSplitter::MadeTexts made;
    qsizetype pos = 0;
    if (!ImportLineSplitter(line).readQuotedRow(pos, sep, fields, made))
        return std::nullopt;
    QStringList list;
    list.reserve(qsizetype(fields.size()));
    for (QStringView f : fields)
        list.append(f.toString());
    return list;
}

// Every tie falls to tab, a comma sum equal to the semicolon sum included.
int chooseFormat(const ImportLineSplitter::FieldCounts& sums)
{
    if (sums.comma > sums.semicolon && sums.comma > sums.tab)
        return ImportSession::CommaFormat;
    if (sums.semicolon > sums.comma && sums.semicolon > sums.tab)
        return ImportSession::SemicolonFormat;
    return ImportSession::TabFormat;
}

qint64 incremented(qint64 n)
{
    // Counters stop at the largest number rather than wrap around to negative ones.
    return n < std::numeric_limits<qint64>::max() ? n + 1 : n;
}

} // namespace

ImportSession::ImportSession(ImportTarget* target) : m_target(target)
{
    // The first four menu items come with the sheet; the two empty ones are separators.
    m_destinationMenuTitles = {QStringLiteral("Do not import"), QString(),
                               QStringLiteral("New field"), QString()};
    m_destinationKeys = {kNoImport, QString(), kNewField, QString()};
}

// ---- Parsing ----------------------------------------------------------------------------

std::optional<QStringList> ImportSession::splitCommaRow(QStringView line)
{
    return splitToList(line, u',');
}

std::optional<QStringList> ImportSession::splitSemicolonRow(QStringView line)
{
    return splitToList(line, u';');
}

int ImportSession::guessFileFormat(QStringView text)
{
    return chooseFormat(ImportLineSplitter(text).countFields());
}

void ImportSession::load(const QString& path)
{
    load(path, AutomaticFormat, TextFileDecoder::Automatic);
}

void ImportSession::load(const QString& path, int format, int encoding)
{
    m_rows.reset();
    loadText(TextFileDecoder::autoReadFromFile(path, encoding), format);
}

void ImportSession::loadText(std::optional<QString> text, int format)
{
    m_rows.reset();
    m_selectedRow = -1;
    m_settingsPrepared = false;

    if (text) {
        TextFileDecoder::replaceStringWithNewline(*text);
        // The rows slice the text that the row table keeps, so they are cut from it.
        m_rows.reset(std::move(*text));
        parseText(m_rows.text(), format);
    } else {
        // No text gives no lines at all, unlike the empty text, which is one empty line.
        m_numOfMaxField = 0;
        reportProgress(0, 0);
    }

    if (m_rows.rowCount() > 0)
        m_selectedRow = 0;
    m_mappingRows.assign(size_t(m_numOfMaxField), ImportMappingRow{});
    countImportedFields();

    if (m_useSettingsPanel)
        openSettings();
    else
        run();
}

void ImportSession::parseText(QStringView text, int format)
{
    m_numOfMaxField = 0;
    const qint64 total = text.size();
    if (format != AutomaticFormat && format != TabFormat && format != CommaFormat &&
        format != SemicolonFormat) {
        reportProgress(total, total);
        return;
    }
    const ImportLineSplitter splitter(text);
    // One counting pass serves the guess and sizes the field table, which then never grows.
    const ImportLineSplitter::FieldCounts sums = splitter.countFields();
    if (format == AutomaticFormat)
        format = chooseFormat(sums);
    const QChar sep = format == SemicolonFormat ? QChar(u';') : QChar(u',');
    const qint64 fieldTotal =
        format == TabFormat ? sums.tab : (format == CommaFormat ? sums.comma : sums.semicolon);
    m_rows.reserve(qsizetype(sums.lines), qsizetype(fieldTotal));

    std::vector<QStringView> fields;
    qint64 rowsRead = 0;
    for (qsizetype pos = 0; pos < splitter.endPosition(); ++rowsRead) {
        if (rowsRead % kProgressStep == 0)
            reportProgress(pos, total);
        fields.clear();
        if (format == TabFormat) {
            const QStringView line = splitter.readTabLine(pos, fields);
            // Every line widens the column count, even an empty one that makes no row.
            m_numOfMaxField = std::max(m_numOfMaxField, qsizetype(fields.size()));
            if (!line.isEmpty())
                m_rows.appendRow(fields);
        } else if (splitter.readQuotedRow(pos, sep, fields, m_rows.madeTexts())) {
            m_numOfMaxField = std::max(m_numOfMaxField, qsizetype(fields.size()));
            m_rows.appendRow(fields);
        }
    }
    reportProgress(total, total);
}

void ImportSession::reportProgress(qint64 done, qint64 total) const
{
    if (m_progress)
        m_progress(done, total);
}

// ---- Settings and mapping ---------------------------------------------------------------

void ImportSession::openSettings()
{
    m_currentRecordIndex = 1;
    m_selectedRow = m_rows.rowCount() > 0 ? 0 : -1;
    prepareDestinations();
    m_settingsPrepared = true;
}

void ImportSession::prepareDestinations()
{
    m_nextCounter =
        incremented(m_target ? std::max<qint64>(0, m_target->largestStoredCounter()) : 0);
    m_destinationMenuTitles = m_destinationMenuTitles.mid(0, rowToStartCascadeAssignment);
    m_destinationKeys = m_destinationKeys.mid(0, rowToStartCascadeAssignment);
    if (!m_target)
        return;
    const auto& keys = m_target->keyArray();
    for (size_t i = kFirstUserKeyIndex; i < keys.size(); ++i) {
        m_destinationMenuTitles.append(keys[i].publicKey.isEmpty() ? QStringLiteral("-")
                                                                   : keys[i].publicKey);
        m_destinationKeys.append(keys[i].innerKey);
    }
}

void ImportSession::setMapping(ImportMappingRow& row, int destination)
{
    row.destination = destination;
    row.importFlag = destination != kNoImportDestination ? kImportFlag : QString();
}

bool ImportSession::chooseDestination(int row, int destination)
{
    if (row < 0 || size_t(row) >= m_mappingRows.size())
        return false;
    // Only real destinations can be chosen: not the separators, nothing past the list.
    const auto entry = destinationAt(destination);
    if (!entry || entry->isEmpty())
        return false;
    for (size_t i = 0; i < m_mappingRows.size(); ++i) {
        ImportMappingRow& r = m_mappingRows[i];
        if (i == size_t(row))
            setMapping(r, destination);
        else if (destination >= rowToStartCascadeAssignment && r.destination == destination)
            setMapping(r, kNoImportDestination);
    }
    countImportedFields();
    return true;
}

void ImportSession::resetMapping()
{
    for (ImportMappingRow& r : m_mappingRows)
        setMapping(r, kNoImportDestination);
    countImportedFields();
}

void ImportSession::mapAllToNewFields()
{
    for (ImportMappingRow& r : m_mappingRows)
        setMapping(r, kNewFieldDestination);
    countImportedFields();
}

void ImportSession::mapInCascade()
{
    for (size_t i = 0; i < m_mappingRows.size(); ++i) {
        const qsizetype d = rowToStartCascadeAssignment + qsizetype(i);
        setMapping(m_mappingRows[i], d < m_destinationKeys.size() ? int(d) : kNoImportDestination);
    }
    countImportedFields();
}

void ImportSession::mapFromFirstRow()
{
    if (m_rows.rowCount() == 0)
        return;
    resetMapping();
    const qsizetype fieldCount = m_rows.fieldCount(0);
    const qsizetype userFields = m_destinationKeys.size() - rowToStartCascadeAssignment;
    for (qsizetype column = 0; column < fieldCount && size_t(column) < m_mappingRows.size();
         ++column) {
        const QString header = m_rows.element(0, column).toString().toLower();
        for (qsizetype j = 0; j < userFields && m_target &&
                              size_t(kFirstUserKeyIndex + j) < m_target->keyArray().size();
             ++j) {
            const FieldKey& key = m_target->keyArray()[size_t(kFirstUserKeyIndex + j)];
            if (header == key.publicKey.toLower())
                setMapping(m_mappingRows[size_t(column)], int(rowToStartCascadeAssignment + j));
        }
    }
    m_doNotImportFirstRecord = true;
    countImportedFields();
}

void ImportSession::firstRowSetFieldsNameSelected()
{
    m_doNotImportFirstRecord = m_useFirstRecordAsFieldsName;
    countImportedFields();
}

void ImportSession::showNextRecord()
{
    if (m_currentRecordIndex < m_rows.rowCount()) {
        m_selectedRow = m_currentRecordIndex;
        ++m_currentRecordIndex;
    }
    countImportedFields();
}

void ImportSession::showPrevRecord()
{
    if (m_currentRecordIndex > 1) {
        --m_currentRecordIndex;
        m_selectedRow = m_currentRecordIndex - 1;
    }
    countImportedFields();
}

void ImportSession::countImportedFields()
{
    int n = 0;
    for (const ImportMappingRow& r : m_mappingRows) {
        if (r.destination != kNoImportDestination)
            ++n;
    }
    m_numberOfImportedFields = n;
}

std::optional<QString> ImportSession::destinationOfColumn(int column) const
{
    if (column < 0 || size_t(column) >= m_mappingRows.size())
        return std::nullopt;
    return destinationAt(m_mappingRows[size_t(column)].destination);
}

std::optional<QString> ImportSession::destinationAt(int index) const
{
    if (index < 0 || index >= m_destinationKeys.size())
        return std::nullopt;
    return m_destinationKeys[index];
}

// ---- The import -------------------------------------------------------------------------

void ImportSession::resolveColumnKeys()
{
    m_columnInnerKeys.clear();
    for (size_t column = 0; column < m_mappingRows.size(); ++column) {
        const QString entry = destinationAt(m_mappingRows[column].destination).value_or(QString());
        if (entry == kNewField) {
            // A blank header keeps the field's own name, as a rename to blank would.
            const QString header = m_useHeaderNames && m_rows.rowCount() > 0
                                       ? m_rows.element(0, qsizetype(column)).toString()
                                       : QString();
            m_columnInnerKeys.append(m_target ? m_target->insertField(header) : QString());
        } else if (entry == kNoImport) {
            m_columnInnerKeys.append(QString());
        } else {
            m_columnInnerKeys.append(entry);
        }
    }
    m_userInnerKeys.clear();
    if (m_target) {
        const auto& keys = m_target->keyArray();
        for (size_t i = kFirstUserKeyIndex; i < keys.size(); ++i)
            m_userInnerKeys.push_back(keys[i].innerKey);
    }
}

Record ImportSession::newImportRecord()
{
    Record record = Dict::make();
    record->entries.reserve(2 + m_userInnerKeys.size());
    record->entries.emplace_back(kCounterKey, Value::integer(m_nextCounter));
    record->entries.emplace_back(kCheckedKey, Value::boolean(false));
    for (const QString& key : m_userInnerKeys)
        record->entries.emplace_back(key, Value::string(QString()));
    m_nextCounter = incremented(m_nextCounter);
    return record;
}

QString ImportSession::destinationKeyForColumn(qsizetype column, qsizetype fieldsInRow) const
{
    if (m_columnInnerKeys.size() >= fieldsInRow)
        return m_columnInnerKeys[column];
    // Only a field entry names a key: "NO_IMPORT" and "NEW_FIELD" must never become entries.
    const auto entry = destinationOfColumn(int(column));
    if (!entry || m_mappingRows[size_t(column)].destination < rowToStartCascadeAssignment)
        return {};
    return *entry;
}

void ImportSession::run()
{
    prepareRun();
    finishRun(buildRecords());
}

void ImportSession::prepareRun()
{
    // Without the settings step (useSettingsPanel off) the counter and the destinations would
    // never be set up, and the records would be numbered from 0.
    if (!m_settingsPrepared) {
        prepareDestinations();
        m_settingsPrepared = true;
    }
    resolveColumnKeys();
}

ImportBatch ImportSession::buildRecords()
{
    const qsizetype rowCount = m_rows.rowCount();
    std::vector<Record> records;
    records.reserve(size_t(rowCount));

    // Where each column's key last sat in a record: records are all built alike, so this
    // spares searching the record's entries for every field.
    std::vector<qsizetype> entryHint(size_t(m_numOfMaxField), -1);
    // A new record lists the user keys in order after the two built-in ones: seeding the hints
    // from there keeps even the first record of a file with thousands of columns linear.
    QHash<QString, qsizetype> userKeyEntry;
    userKeyEntry.reserve(qsizetype(m_userInnerKeys.size()));
    for (size_t i = 0; i < m_userInnerKeys.size(); ++i)
        if (!userKeyEntry.contains(m_userInnerKeys[i]))
            userKeyEntry.insert(m_userInnerKeys[i], qsizetype(i) + kFirstUserKeyIndex);
    for (qsizetype c = 0; c < qsizetype(entryHint.size()) && c < m_columnInnerKeys.size(); ++c)
        entryHint[size_t(c)] = userKeyEntry.value(m_columnInnerKeys[c], -1);
    const bool headerRow = m_useHeaderNames && rowCount > 0;
    for (qsizetype r = headerRow ? 1 : 0; r < rowCount; ++r) {
        if (r % kProgressStep == 0)
            reportProgress(r, rowCount);
        Record record = newImportRecord();
        const qsizetype fieldCount = m_rows.fieldCount(r);
        auto& entries = record->entries;
        for (qsizetype e = 0; e < fieldCount; ++e) {
            const QString key = destinationKeyForColumn(e, fieldCount);
            if (key.isEmpty())
                continue;
            Value value = Value::string(m_rows.element(r, e).toString());
            qsizetype& hint = entryHint[size_t(e)];
            if (hint >= 0 && size_t(hint) < entries.size() && entries[size_t(hint)].first == key) {
                entries[size_t(hint)].second = std::move(value);
                continue;
            }
            record->set(key, std::move(value));
            for (size_t i = 0; i < entries.size(); ++i) {
                if (entries[i].first == key) {
                    hint = qsizetype(i);
                    break;
                }
            }
        }
        if (r == 0 && m_doNotImportFirstRecord)
            continue;
        if (fieldCount > 0)
            records.push_back(std::move(record));
    }
    reportProgress(rowCount, rowCount);
    return ImportBatch::of(std::move(records));
}

void ImportSession::finishRun(ImportBatch batch)
{
    if (m_target)
        m_target->appendImportedRecords(std::move(batch));
}

} // namespace quillory
