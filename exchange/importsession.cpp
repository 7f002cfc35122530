#include "exchange/importsession.h"

#include "exchange/importlinesplitter.h"
#include "exchange/textfiledecoder.h"

#include <QHash>
#include <QSet>

#include <unordered_map>

#include <algorithm>

#include <limits>

namespace quillory {

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
ImportSession::FileFormat chooseFormat(const ImportLineSplitter::FieldCounts& sums)
{
    if (sums.comma > sums.semicolon && sums.comma > sums.tab)
        return ImportSession::FileFormat::Comma;
    if (sums.semicolon > sums.comma && sums.semicolon > sums.tab)
        return ImportSession::FileFormat::Semicolon;
    return ImportSession::FileFormat::Tab;
}

qint64 incremented(qint64 n)
{
    // Counters stop at the largest number rather than wrap around to negative ones.
    return n < std::numeric_limits<qint64>::max() ? n + 1 : n;
}

} // namespace

ImportSession::ImportSession(ImportTarget* target) : m_target(target) {}

// ---- Parsing ----------------------------------------------------------------------------

std::optional<QStringList> ImportSession::splitCommaRow(QStringView line)
{
    return splitToList(line, u',');
}

std::optional<QStringList> ImportSession::splitSemicolonRow(QStringView line)
{
    return splitToList(line, u';');
}

ImportSession::FileFormat ImportSession::guessFileFormat(QStringView text)
{
    return chooseFormat(ImportLineSplitter(text).countFields());
}

void ImportSession::load(const QString& path)
{
    load(path, FileFormat::Automatic, TextEncoding::Automatic);
}

void ImportSession::load(const QString& path, FileFormat format, TextEncoding encoding)
{
    m_rows.reset();
    loadText(TextFileDecoder::autoReadFromFile(path, encoding), format);
}

void ImportSession::loadText(std::optional<QString> text, FileFormat format)
{
    m_rows.reset();
    m_selectedRow = -1;
    m_mappingPrepared = false;

    if (text) {
        // Nothing but white space holds no row: imported, it would make a record of spaces.
        if (std::all_of(text->cbegin(), text->cend(), [](QChar c) { return c.isSpace(); }))
            text->clear();
        TextFileDecoder::replaceStringWithNewline(*text);
        // The rows slice the text that the row table keeps, so they are cut from it.
        m_rows.reset(std::move(*text));
        parseText(m_rows.textToSplit(), format);
    } else {
        // No text gives no lines at all, unlike the empty text, which is one empty line.
        m_numOfMaxField = 0;
        reportProgress(0, 0);
    }

    if (m_rows.rowCount() > 0)
        m_selectedRow = 0;
    m_mapping.assign(size_t(m_numOfMaxField), ImportDestination::skip());
    countImportedFields();
}

void ImportSession::loadRows(ImportRows rows)
{
    m_rows = std::move(rows);
    m_mappingPrepared = false;
    m_numOfMaxField = 0;
    for (qsizetype r = 0; r < m_rows.rowCount(); ++r)
        m_numOfMaxField = std::max(m_numOfMaxField, m_rows.fieldCount(r));
    m_selectedRow = m_rows.rowCount() > 0 ? 0 : -1;
    m_mapping.assign(size_t(m_numOfMaxField), ImportDestination::skip());
    countImportedFields();
    reportProgress(1, 1);
}

void ImportSession::parseText(QString& text, FileFormat format)
{
    m_numOfMaxField = 0;
    const qint64 total = text.size();
    const ImportLineSplitter splitter(text);
    // One counting pass serves the guess and sizes the field table, which then never grows.
    const ImportLineSplitter::FieldCounts sums = splitter.countFields();
    if (format == FileFormat::Automatic)
        format = chooseFormat(sums);
    const QChar sep = format == FileFormat::Semicolon ? QChar(u';') : QChar(u',');
    const qint64 fieldTotal = format == FileFormat::Tab
                                  ? sums.tab
                                  : (format == FileFormat::Comma ? sums.comma : sums.semicolon);
    m_rows.reserve(qsizetype(sums.lines), qsizetype(fieldTotal));

    std::vector<QStringView> fields;
    qint64 rowsRead = 0;
    for (qsizetype pos = 0; pos < splitter.endPosition(); ++rowsRead) {
        if (rowsRead % kProgressStep == 0)
            reportProgress(pos, total);
        fields.clear();
        if (format == FileFormat::Tab) {
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

// ---- Mapping ----------------------------------------------------------------------------

void ImportSession::prepareMapping()
{
    m_currentRecordIndex = 1;
    m_selectedRow = m_rows.rowCount() > 0 ? 0 : -1;
    prepareDestinations();
    m_mappingPrepared = true;
}

void ImportSession::prepareDestinations()
{
    m_nextCounter =
        incremented(m_target ? std::max<qint64>(0, m_target->largestStoredCounter()) : 0);
    m_userFields.clear();
    if (!m_target)
        return;
    const auto& keys = m_target->keyArray();
    if (keys.size() > size_t(kFirstUserKeyIndex))
        m_userFields.assign(keys.begin() + kFirstUserKeyIndex, keys.end());
}

bool ImportSession::setDestination(qsizetype column, const ImportDestination& destination)
{
    if (column < 0 || size_t(column) >= m_mapping.size())
        return false;
    if (destination.isField() &&
        std::none_of(m_userFields.begin(), m_userFields.end(),
                     [&](const FieldKey& f) { return f.innerKey == destination.innerKey(); }))
        return false;
    for (size_t i = 0; i < m_mapping.size(); ++i) {
        if (i == size_t(column))
            m_mapping[i] = destination;
        else if (destination.isField() && m_mapping[i] == destination)
            m_mapping[i] = ImportDestination::skip();
    }
    countImportedFields();
    return true;
}

ImportSession::Choices ImportSession::choices() const
{
    return {m_mapping, m_doNotImportFirstRecord, m_useFirstRecordAsFieldsName, m_useHeaderNames};
}

void ImportSession::restoreChoices(const Choices& kept)
{
    for (size_t c = 0; c < m_mapping.size() && c < kept.mapping.size(); ++c)
        m_mapping[c] = kept.mapping[c];
    m_doNotImportFirstRecord = kept.doNotImportFirstRecord;
    m_useFirstRecordAsFieldsName = kept.useFirstRecordAsFieldsName;
    m_useHeaderNames = kept.useHeaderNames;
    countImportedFields();
}

void ImportSession::resetMapping()
{
    std::fill(m_mapping.begin(), m_mapping.end(), ImportDestination::skip());
    countImportedFields();
}

void ImportSession::mapAllToNewFields()
{
    std::fill(m_mapping.begin(), m_mapping.end(), ImportDestination::newField());
    countImportedFields();
}

void ImportSession::mapInCascade()
{
    for (size_t i = 0; i < m_mapping.size(); ++i)
        m_mapping[i] = i < m_userFields.size() ? ImportDestination::field(m_userFields[i].innerKey)
                                               : ImportDestination::skip();
    countImportedFields();
}

void ImportSession::mapFromFirstRow()
{
    if (m_rows.rowCount() == 0)
        return;
    resetMapping();
    const qsizetype fieldCount = m_rows.fieldCount(0);
    for (qsizetype column = 0; column < fieldCount && size_t(column) < m_mapping.size(); ++column) {
        const QString header = m_rows.element(0, column).toString().toLower();
        for (const FieldKey& field : m_userFields) {
            if (header == field.publicKey.toLower())
                m_mapping[size_t(column)] = ImportDestination::field(field.innerKey);
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
    m_numberOfImportedFields =
        int(std::count_if(m_mapping.begin(), m_mapping.end(),
                          [](const ImportDestination& d) { return !d.isSkip(); }));
}

// ---- The import -------------------------------------------------------------------------

void ImportSession::resolveColumnKeys()
{
    m_columnInnerKeys.clear();
    for (size_t column = 0; column < m_mapping.size(); ++column) {
        const ImportDestination& destination = m_mapping[column];
        if (destination.isNewField()) {
            // A blank header keeps the field's own name, as a rename to blank would.
            const QString header = m_useHeaderNames && m_rows.rowCount() > 0
                                       ? m_rows.element(0, qsizetype(column)).toString()
                                       : QString();
            m_columnInnerKeys.append(m_target ? m_target->insertField(header) : QString());
        } else {
            // A skipped column has the empty key.
            m_columnInnerKeys.append(destination.innerKey());
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
    // Only a field names a key: a skipped or a new-field column must never become an entry.
    if (size_t(column) >= m_mapping.size())
        return {};
    return m_mapping[size_t(column)].innerKey();
}

void ImportSession::run()
{
    prepareRun();
    finishRun(buildRecords());
}

void ImportSession::prepareRun()
{
    // Without prepareMapping (an import run at once) the counter and the destinations would
    // never be set up, and the records would be numbered from 0.
    if (!m_mappingPrepared) {
        prepareDestinations();
        m_mappingPrepared = true;
    }
    resolveColumnKeys();
}

ImportBatch ImportSession::buildRecords()
{
    const qsizetype rowCount = m_rows.rowCount();
    std::vector<Record> records;
    records.reserve(size_t(rowCount));

    // A record lists the counter, the mark and each field the document had, then the new
    // fields of the columns its row reaches: a short row of a ragged file does not store the
    // hundreds of thousands of empty fields that one long row made. A set, not a search of
    // the list: a file may bring hundreds of thousands of columns.
    QSet<QString> newKeys;
    std::vector<QString> newInColumnOrder;
    // How many new fields the columns before c made, for each c.
    std::vector<qsizetype> newBefore(size_t(m_columnInnerKeys.size()) + 1, 0);
    for (qsizetype c = 0; c < m_columnInnerKeys.size(); ++c) {
        const QString& key = m_columnInnerKeys[c];
        const bool made = size_t(c) < m_mapping.size() && m_mapping[size_t(c)].isNewField() &&
                          !key.isEmpty() && !newKeys.contains(key);
        if (made) {
            newKeys.insert(key);
            newInColumnOrder.push_back(key);
        }
        newBefore[size_t(c) + 1] = newBefore[size_t(c)] + (made ? 1 : 0);
    }
    std::vector<QString> keys{kCounterKey, kCheckedKey};
    QSet<QString> listed{kCounterKey, kCheckedKey};
    listed.reserve(m_userInnerKeys.size() + 2);
    for (const QString& key : m_userInnerKeys)
        if (!listed.contains(key) && !newKeys.contains(key)) {
            listed.insert(key);
            keys.push_back(key);
        }
    const qsizetype keptKeys = qsizetype(keys.size());
    keys.insert(keys.end(), newInColumnOrder.begin(), newInColumnOrder.end());
    const RecordKeysPtr shape = RecordKeys::make(keys);
    PackedRecord::Builder builder(shape);
    // The keys of records whose rows end early, by how many keys they list (the list's
    // first ones): one per length a row of the file has, so their sizes add up to less than
    // the file's.
    std::unordered_map<qsizetype, RecordKeysPtr> shorter;
    auto shapeForRow = [&](qsizetype fieldCount) -> const RecordKeysPtr& {
        const qsizetype reached = std::min<qsizetype>(fieldCount, m_columnInnerKeys.size());
        const qsizetype listedKeys = keptKeys + newBefore[size_t(reached)];
        if (listedKeys >= shape->size())
            return shape;
        RecordKeysPtr& made = shorter[listedKeys];
        if (!made)
            made = RecordKeys::make(std::vector<QString>(keys.begin(), keys.begin() + listedKeys));
        return made;
    };
    // Where each column's value goes, found once per column (-1: not imported); the same
    // place in every record's keys, since shorter ones list the first of them.
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
        const qsizetype fieldCount = m_rows.fieldCount(r);
        const RecordKeysPtr& rowShape = shapeForRow(fieldCount);
        if (builder.keys() != rowShape)
            builder.reset(rowShape);
        builder.setInteger(0, m_nextCounter);
        builder.setBool(1, false);
        for (qsizetype i = kFirstUserKeyIndex; i < rowShape->size(); ++i)
            builder.setText(i, QStringView());
        m_nextCounter = incremented(m_nextCounter);
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
            if (slot >= 0 && slot < rowShape->size())
                builder.setText(slot, m_rows.element(r, e));
            else if (!key.isEmpty())
                extra.emplace_back(key, m_rows.element(r, e));
        }
        if ((r == 0 && m_doNotImportFirstRecord) || fieldCount == 0) {
            builder.reset(rowShape);
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
