#include "exchange/importrows.h"

namespace quillory {

void ImportRows::reset(QString text)
{
    m_fields.clear();
    m_fields.shrink_to_fit();
    m_outside.clear();
    m_outside.shrink_to_fit();
    m_rowStarts.clear();
    m_rowStarts.shrink_to_fit();
    m_madeTexts.clear();
    m_text = std::move(text);
}

void ImportRows::reserve(qsizetype rows, qsizetype fields)
{
    m_rowStarts.reserve(size_t(rows));
    m_fields.reserve(size_t(fields));
}

void ImportRows::appendRow(const std::vector<QStringView>& fields)
{
    m_rowStarts.push_back(qsizetype(m_fields.size()));
    const QChar* text = m_text.constData();
    for (const QStringView field : fields) {
        const qsizetype start = field.data() - text;
        if (field.data() >= text && start + field.size() <= m_text.size() && start < kOutside &&
            field.size() < kOutside) {
            m_fields.push_back({quint32(start), quint32(field.size())});
        } else {
            m_fields.push_back({kOutside, quint32(m_outside.size())});
            m_outside.push_back(field);
        }
    }
}

qsizetype ImportRows::fieldCount(qsizetype row) const
{
    if (row < 0 || row >= rowCount())
        return 0;
    const qsizetype end =
        row + 1 < rowCount() ? m_rowStarts[size_t(row + 1)] : qsizetype(m_fields.size());
    return end - m_rowStarts[size_t(row)];
}

QStringView ImportRows::element(qsizetype row, qsizetype column) const
{
    if (column < 0 || column >= fieldCount(row))
        return {};
    const Slice slice = m_fields[size_t(m_rowStarts[size_t(row)] + column)];
    if (slice.start == kOutside)
        return m_outside[slice.length];
    return QStringView(m_text).mid(slice.start, slice.length);
}

QStringList ImportRows::elements(qsizetype row) const
{
    QStringList list;
    const qsizetype n = fieldCount(row);
    list.reserve(n);
    for (qsizetype c = 0; c < n; ++c)
        list.append(element(row, c).toString());
    return list;
}

} // namespace quillory
