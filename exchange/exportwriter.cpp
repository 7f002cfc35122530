#include "exchange/exportwriter.h"

#include "core/document.h"
#include "exchange/exportvalue.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>

namespace quillory {

namespace {

std::set<int> inRange(std::set<int> indices, std::size_t size)
{
    std::erase_if(indices, [size](int i) { return i < 0 || std::size_t(i) >= size; });
    return indices;
}

// Takes the selected entries out of from (in list order) and appends them to to; returns the
// indices they now have in to.
std::set<int> moveSelected(std::vector<FieldKey>& from, const std::set<int>& selected,
                           std::vector<FieldKey>& to)
{
    std::set<int> arrived;
    for (int i : selected) {
        arrived.insert(int(to.size()));
        to.push_back(from[std::size_t(i)]);
    }
    // Erase from the end so that earlier removals do not shift later ones.
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        from.erase(from.begin() + *it);
    return arrived;
}

// Most values hold nothing to clean; those are appended without a copy.
void appendCleaned(QString& out, int format, const QString& text)
{
    if (ExportValue::needsCleaning(format, text))
        out += ExportValue::clean(format, text);
    else
        out += text;
}

std::set<int> allIndices(std::size_t size)
{
    std::set<int> all;
    for (std::size_t i = 0; i < size; ++i)
        all.insert(int(i));
    return all;
}

} // namespace

ExportWriter::ExportWriter(std::vector<Record> records, std::vector<FieldKey> keys)
    : m_dataArray(std::move(records)), m_allKeyArray(std::move(keys)), m_leftKeyArray(m_allKeyArray)
{}

ExportWriter ExportWriter::forDocument(const Document& doc,
                                                     const QString& displayName)
{
    const std::vector<FieldKey>& keys = doc.keyArray();
    std::vector<FieldKey> userKeys;
    if (keys.size() > std::size_t(kFirstUserKeyIndex))
        userKeys.assign(keys.begin() + kFirstUserKeyIndex, keys.end());
    ExportWriter manager(doc.dataArray(), std::move(userKeys));
    if (!displayName.isEmpty())
        manager.suggestedFileName = suggestedFileNameForDocumentName(displayName);
    return manager;
}

QString ExportWriter::suggestedFileNameForDocumentName(const QString& displayName)
{
    QString base = displayName;
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    // A leading dot names a hidden file rather than starting an extension.
    if (dot > 0)
        base.truncate(dot);
    return QStringLiteral("%1 Export").arg(base);
}

void ExportWriter::setLeftSelection(std::set<int> indices)
{
    m_leftSelection = inRange(std::move(indices), m_leftKeyArray.size());
}

void ExportWriter::setRightSelection(std::set<int> indices)
{
    m_rightSelection = inRange(std::move(indices), m_rightKeyArray.size());
}

void ExportWriter::addSelectedToRight()
{
    if (m_leftSelection.empty())
        return;
    m_rightSelection = moveSelected(m_leftKeyArray, m_leftSelection, m_rightKeyArray);
    m_leftSelection.clear();
}

void ExportWriter::addAllToRight()
{
    m_rightSelection =
        moveSelected(m_leftKeyArray, allIndices(m_leftKeyArray.size()), m_rightKeyArray);
    m_leftSelection.clear();
}

void ExportWriter::removeSelectedFromRight()
{
    if (m_rightSelection.empty())
        return;
    m_leftSelection = moveSelected(m_rightKeyArray, m_rightSelection, m_leftKeyArray);
    m_rightSelection.clear();
}

void ExportWriter::removeAllFromRight()
{
    m_leftSelection =
        moveSelected(m_rightKeyArray, allIndices(m_rightKeyArray.size()), m_leftKeyArray);
    m_rightSelection.clear();
}

void ExportWriter::moveUp()
{
    if (m_rightSelection.empty())
        return;
    const int first = *m_rightSelection.begin();
    const int last = *m_rightSelection.rbegin();
    if (first < 1)
        return;
    const FieldKey moved = m_rightKeyArray[std::size_t(last)];
    m_rightKeyArray.erase(m_rightKeyArray.begin() + last);
    m_rightKeyArray.insert(m_rightKeyArray.begin() + (first - 1), moved);
    m_rightSelection = {first - 1};
}

void ExportWriter::moveDown()
{
    if (m_rightSelection.empty())
        return;
    const int first = *m_rightSelection.begin();
    const int last = *m_rightSelection.rbegin();
    if (std::size_t(first) + 1 >= m_rightKeyArray.size())
        return;
    const FieldKey moved = m_rightKeyArray[std::size_t(last)];
    m_rightKeyArray.erase(m_rightKeyArray.begin() + last);
    // last >= first, so after the removal first + 1 is still within the list or its end.
    m_rightKeyArray.insert(m_rightKeyArray.begin() + (first + 1), moved);
    m_rightSelection = {first + 1};
}

void ExportWriter::setCustomFields(int tag)
{
    if (tag < ExportLayout::kTabSeparated || tag > ExportLayout::kPlainCsv) {
        start_of_file.clear();
        end_of_file.clear();
        start_of_record.clear();
        end_of_record.clear();
        field_open_tag.clear();
        field_close_tag.clear();
        field_separator.clear();
        use_end_of_record_in_last_record = QStringLiteral("YES");
        return;
    }
    const ExportLayout l = ExportLayout::fixedForFormat(tag);
    start_of_file = ExportLayout::escapeControls(l.start_of_file);
    end_of_file = ExportLayout::escapeControls(l.end_of_file);
    start_of_record = ExportLayout::escapeControls(l.start_of_record);
    end_of_record = ExportLayout::escapeControls(l.end_of_record);
    field_open_tag = ExportLayout::escapeControls(l.field_open_tag);
    field_close_tag = ExportLayout::escapeControls(l.field_close_tag);
    field_separator = ExportLayout::escapeControls(l.field_separator);
    use_end_of_record_in_last_record =
        l.use_end_of_record_in_last_record ? QStringLiteral("YES") : QStringLiteral("NO");
}

ExportLayout ExportWriter::currentLayout() const
{
    if (fileFormatToSave == ExportLayout::kCustom)
        return ExportLayout::custom(start_of_file, end_of_file, start_of_record, end_of_record,
                                    field_open_tag, field_close_tag, field_separator,
                                    use_end_of_record_in_last_record);
    return ExportLayout::fixedForFormat(fileFormatToSave);
}

qsizetype ExportWriter::estimatedLength(const ExportLayout& layout) const
{
    const qsizetype fields = qsizetype(m_rightKeyArray.size());
    const qsizetype records = qsizetype(m_dataArray.size());
    const qsizetype rowFrame =
        layout.start_of_record.size() + layout.end_of_record.size() +
        fields * (layout.field_open_tag.size() + layout.field_close_tag.size()) +
        std::max<qsizetype>(fields - 1, 0) * layout.field_separator.size();

    // The values' length is estimated from the first records, which is close enough for
    // a single reservation without walking every record twice.
    const qsizetype sample = std::min<qsizetype>(records, 256);
    qsizetype sampled = 0;
    for (qsizetype r = 0; r < sample; ++r) {
        const Record& rec = m_dataArray[std::size_t(r)];
        if (!rec)
            continue;
        for (const FieldKey& key : m_rightKeyArray)
            if (const Value* v = rec->find(key.innerKey))
                sampled += v->isString() ? v->stringPtr()->size() : 12;
    }
    const qsizetype values = sample > 0 ? sampled * records / sample : 0;
    const qsizetype header = fields * 16 + rowFrame;
    const qsizetype total = layout.start_of_file.size() + layout.end_of_file.size() + header +
                            records * rowFrame + values;
    return total + total / 8;
}

QString ExportWriter::composeExport() const
{
    QString out;
    out.reserve(estimatedLength(currentLayout()));
    composeInto(out, {});
    return out;
}

bool ExportWriter::composeInto(QString& out,
                                      const std::function<bool(const QString&)>& flush) const
{
    const ExportLayout layout = currentLayout();
    const int format = fileFormatToSave;
    const std::size_t fields = m_rightKeyArray.size();
    const std::size_t records = m_dataArray.size();
    const QLocale locale = QLocale::system();
    const qsizetype chunk = 1 << 20;

    out += layout.start_of_file;

    if (useFieldNamesAsFirstRow) {
        out += layout.start_of_record;
        for (std::size_t k = 0; k < fields; ++k) {
            out += layout.field_open_tag;
            out += m_rightKeyArray[k].publicKey;
            out += layout.field_close_tag;
            if (k + 1 < fields)
                out += layout.field_separator;
        }
        if (records >= 1 || layout.use_end_of_record_in_last_record)
            out += layout.end_of_record;
    }

    for (std::size_t r = 0; r < records; ++r) {
        const Record& rec = m_dataArray[r];
        out += layout.start_of_record;
        for (std::size_t k = 0; k < fields; ++k) {
            out += layout.field_open_tag;
            const Value* v = rec ? rec->find(m_rightKeyArray[k].innerKey) : nullptr;
            if (v && v->isString())
                appendCleaned(out, format, *v->stringPtr());
            else if (v)
                appendCleaned(out, format, ExportValue::text(*v, locale));
            out += layout.field_close_tag;
            if (k + 1 < fields)
                out += layout.field_separator;
        }
        if (r + 1 < records || layout.use_end_of_record_in_last_record)
            out += layout.end_of_record;
        // Chunks end between records, so a character is never split across two of them.
        if (flush && out.size() >= chunk) {
            if (!flush(out))
                return false;
            out.resize(0); // keeps the capacity for the next chunk
        }
    }

    out += layout.end_of_file;
    return !flush || flush(out);
}

ExportResult ExportWriter::exportToTextFile(const QString& path)
{
    if (path.isEmpty())
        return {false, QStringLiteral("cannot write the export: no file was chosen")};

    const QString shown = QDir::toNativeSeparators(path);
    const auto failure = [&shown](const QString& reason) {
        return ExportResult{
            false, QStringLiteral("cannot write the export file '%1': %2").arg(shown, reason)};
    };
    if (QFileInfo(path).isDir())
        return failure(QStringLiteral("it is a folder"));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString());
    // Written chunk by chunk: the whole text of a large document is never held at once.
    QString chunk;
    chunk.reserve((1 << 20) + 4096);
    const bool written = composeInto(chunk, [&file](const QString& text) {
        const QByteArray bytes = text.toUtf8();
        return file.write(bytes) == bytes.size();
    });
    if (!written) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failure(reason);
    }
    if (!file.commit())
        return failure(file.errorString());

    didExport();
    return {true, {}};
}

} // namespace quillory
