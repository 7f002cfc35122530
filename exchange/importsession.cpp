#include "exchange/importsession.h"

#include "exchange/importlinesplitter.h"
#include "exchange/textfiledecoder.h"

#include <QHash>

#include <algorithm>

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

    // Every record lists the same keys: the counter, the mark, then each user field once.
    std::vector<QString> keys{kCounterKey, kCheckedKey};
    for (const QString& key : m_userInnerKeys)
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(key);
    PackedRecord::Builder builder(RecordKeys::make(std::move(keys)));
    const RecordKeysPtr shape = builder.keys();
    // Where each column's value goes, found once per column (-1: not imported).
    std::vector<qsizetype> columnSlot(size_t(m_columnInnerKeys.size()), -1);
    for (qsizetype c = 0; c < m_columnInnerKeys.size(); ++c)
        if (!m_columnInnerKeys[c].isEmpty())
            columnSlot[size_t(c)] = shape->indexOf(m_columnInnerKeys[c]);
    // Values for keys the records do not list yet (none in practice) are set afterwards.
    std::vector<std::pair<QString, QStringView>> extra;

    const bool headerRow = m_useHeaderNames && rowCount > 0;
    for (qsizetype r = headerRow ? 1 : 0; r < rowCount; ++r) {
        if (r % kProgressStep == 0)
            reportProgress(r, rowCount);
        builder.setInteger(0, m_nextCounter);
        builder.setBool(1, false);
        for (qsizetype i = kFirstUserKeyIndex; i < shape->size(); ++i)
            builder.setText(i, QStringView());
        m_nextCounter = incremented(m_nextCounter);
        const qsizetype fieldCount = m_rows.fieldCount(r);
        const bool byColumn = m_columnInnerKeys.size() >= fieldCount;
        extra.clear();
        for (qsizetype e = 0; e < fieldCount; ++e) {
            qsizetype slot = -1;
            QString key;
            if (byColumn) {
                slot = columnSlot[size_t(e)];
                if (slot < 0 && !m_columnInnerKeys[e].isEmpty())
                    key = m_columnInnerKeys[e];
            } else {
                key = destinationKeyForColumn(e, fieldCount);
                slot = key.isEmpty() ? -1 : shape->indexOf(key);
            }
            if (slot >= 0)
                builder.setText(slot, m_rows.element(r, e));
            else if (!key.isEmpty())
                extra.emplace_back(key, m_rows.element(r, e));
        }
        if ((r == 0 && m_doNotImportFirstRecord) || fieldCount == 0) {
            builder.reset(shape);
            continue;
        }
        MutableRecord record = builder.take();
        for (const auto& [key, text] : extra)
            record->set(key, Value::string(text.toString()));
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
