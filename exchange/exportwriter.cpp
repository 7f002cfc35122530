#include "exchange/exportwriter.h"

#include "core/document.h"
#include "exchange/exportvalue.h"
#include "exchange/xlsxexport.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>
#include <functional>

namespace quillory {

namespace {

// Most values hold nothing to clean or escape; those are appended without a copy.
void appendWritten(QString& out, ExportFormat format, const QString& text)
{
    if (ExportValue::changesWhenWritten(format, text))
        out += ExportValue::written(format, text);
    else
        out += text;
}

// A record's value as the format writes it. Texts are appended straight from the record and
// only copied when the format changes them.
void appendValue(QString& out, ExportFormat format, const PackedRecord& rec, qsizetype i,
                 const QLocale& locale)
{
    PackedRecord::TextView t;
    if (!rec.packedTextAt(i, t)) {
        const Value v = rec.valueAt(i);
        if (v.isString())
            appendWritten(out, format, *v.stringPtr());
        else
            appendWritten(out, format, ExportValue::text(v, locale));
        return;
    }
    const qsizetype start = out.size();
    if (t.isWide)
        out += t.utf16;
    else
        out += t.latin1;
    const QStringView appended = QStringView(out).mid(start);
    if (!ExportValue::changesWhenWritten(format, appended))
        return;
    const QString written = ExportValue::written(format, appended.toString());
    out.truncate(start);
    out += written;
}

QString baseName(const QString& displayName)
{
    QString base = displayName;
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    // A leading dot names a hidden file rather than starting an extension.
    if (dot > 0)
        base.truncate(dot);
    return base;
}

} // namespace

ExportWriter::ExportWriter(std::vector<Record> records, std::vector<FieldKey> fields)
    : m_dataArray(std::move(records)), m_fields(std::move(fields))
{}

ExportWriter ExportWriter::forDocument(const Document& doc, const QString& displayName)
{
    ExportWriter writer(doc.dataArray(), {});
    if (!displayName.isEmpty()) {
        writer.suggestedFileName = suggestedFileNameForDocumentName(displayName);
        writer.pageTitle = baseName(displayName);
    }
    return writer;
}

QString ExportWriter::suggestedFileNameForDocumentName(const QString& displayName)
{
    return QStringLiteral("%1 Export").arg(baseName(displayName));
}

void ExportWriter::setCustomFields(ExportFormat preset)
{
    if (preset == ExportFormat::Custom) {
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
    const ExportLayout l = ExportLayout::fixedForFormat(preset, pageTitle);
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
    if (fileFormatToSave == ExportFormat::Custom)
        return ExportLayout::custom(start_of_file, end_of_file, start_of_record, end_of_record,
                                    field_open_tag, field_close_tag, field_separator,
                                    use_end_of_record_in_last_record);
    return ExportLayout::fixedForFormat(fileFormatToSave, pageTitle);
}

qsizetype ExportWriter::estimatedLength(const ExportLayout& layout) const
{
    const qsizetype fields = qsizetype(m_fields.size());
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
        for (const FieldKey& key : m_fields) {
            const qsizetype at = rec->indexOf(key.innerKey);
            PackedRecord::TextView t;
            if (at >= 0)
                sampled += rec->packedTextAt(at, t) ? t.size() : 12;
        }
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

bool ExportWriter::composeInto(QString& out, const std::function<bool(const QString&)>& flush) const
{
    const ExportLayout layout = currentLayout();
    const ExportFormat format = fileFormatToSave;
    const std::size_t fields = m_fields.size();
    const std::size_t records = m_dataArray.size();
    const QLocale locale = QLocale::system();
    const qsizetype chunk = 1 << 20;

    out += layout.start_of_file;

    if (useFieldNamesAsFirstRow) {
        // An HTML table marks its header cells as such.
        const bool headerCells = ExportLayout::hasHeaderCells(format);
        out += layout.start_of_record;
        for (std::size_t k = 0; k < fields; ++k) {
            out += headerCells ? QStringLiteral("<th>") : layout.field_open_tag;
            // Names are never cleaned, but escaped all the same: a reader must get them back.
            out += ExportValue::escape(format, m_fields[k].publicKey);
            out += headerCells ? QStringLiteral("</th>") : layout.field_close_tag;
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
            const qsizetype at = rec ? rec->indexOf(m_fields[k].innerKey) : -1;
            if (at >= 0)
                appendValue(out, format, *rec, at, locale);
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

std::optional<QString> ExportWriter::refusal() const
{
    if (fileFormatToSave == ExportFormat::Xlsx)
        return XlsxExport(m_dataArray, m_fields, useFieldNamesAsFirstRow).refusal();
    return std::nullopt;
}

Result<> ExportWriter::writeInParts(const std::function<bool(const QByteArray& part)>& write) const
{
    if (fileFormatToSave == ExportFormat::Xlsx)
        return XlsxExport(m_dataArray, m_fields, useFieldNamesAsFirstRow).writeInParts(write);
    // Chunk by chunk: the whole text of a large document is never held at once.
    QString chunk;
    chunk.reserve((1 << 20) + 4096);
    if (!composeInto(chunk, [&write](const QString& text) { return write(text.toUtf8()); }))
        return fail(QStringLiteral("the export could not be written"));
    return {};
}

Result<> ExportWriter::writeToFile(const QString& path) const
{
    if (path.isEmpty())
        return fail(QStringLiteral("cannot write the export: no file was chosen"));

    const QString shown = QDir::toNativeSeparators(path);
    const auto failure = [&shown](const QString& reason) {
        return fail(QStringLiteral("cannot write the export file '%1': %2").arg(shown, reason));
    };
    if (QFileInfo(path).isDir())
        return failure(QStringLiteral("it is a folder"));
    // Refused before the file is opened, so that nothing at all is made.
    if (const std::optional<QString> why = refusal())
        return failure(*why);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString());
    const Result<> written = writeInParts(
        [&file](const QByteArray& bytes) { return file.write(bytes) == bytes.size(); });
    if (!written) {
        // The file's own reason when writing it failed; otherwise what failed before.
        const QString reason =
            file.error() != QFileDevice::NoError ? file.errorString() : written.message();
        file.cancelWriting();
        return failure(reason);
    }
    if (!file.commit())
        return failure(file.errorString());
    return {};
}

} // namespace quillory
