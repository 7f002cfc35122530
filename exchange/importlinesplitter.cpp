#include "exchange/importlinesplitter.h"

#include <algorithm>

namespace quillory {

ImportLineSplitter::ImportLineSplitter(QStringView text)
    : m_text(text), m_lastQuote(text.lastIndexOf(u'"'))
{}

ImportLineSplitter::ImportLineSplitter(QString& text) : ImportLineSplitter(QStringView(text))
{
    // Detaches once, now, before any field is a slice of it.
    m_writable = text.data();
    m_text = QStringView(m_writable, text.size());
}

bool ImportLineSplitter::isBlank(QStringView line)
{
    for (QChar c : line) {
        if (c != u' ')
            return false;
    }
    return true;
}

void ImportLineSplitter::addQuotedField(qsizetype start, qsizetype end, int quotes,
                                        std::vector<QStringView>& fields, MadeTexts& made) const
{
    QStringView field = m_text.sliced(start, end - start);
    // A lone quote is kept as it is: stripping needs an opening and a closing quote, and
    // dropping the character would lose what the file holds.
    if (field.size() < 2 || field.front() != u'"' || field.back() != u'"') {
        fields.push_back(field);
        return;
    }
    field = field.sliced(1, field.size() - 2);
    // Only the outer pair was counted: nothing inside can be doubled.
    if (quotes <= 2 || !field.contains(QStringView(u"\"\""))) {
        fields.push_back(field);
        return;
    }
    if (m_writable) {
        // In place: each character moves left, never past one still to be read.
        QChar* const first = m_writable + start + 1;
        QChar* out = first;
        for (qsizetype i = 0; i < field.size(); ++i) {
            *out++ = field[i];
            if (field[i] == u'"' && i + 1 < field.size() && field[i + 1] == u'"')
                ++i;
        }
        fields.push_back(QStringView(first, out - first));
        return;
    }
    QString undone;
    undone.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        undone.append(field[i]);
        if (field[i] == u'"' && i + 1 < field.size() && field[i + 1] == u'"')
            ++i;
    }
    made.push_back(std::move(undone));
    fields.push_back(QStringView(made.back()));
}

bool ImportLineSplitter::readQuotedRow(qsizetype& pos, QChar sep, std::vector<QStringView>& fields,
                                       MadeTexts& made) const
{
    const QChar* const chars = m_text.data();
    const qsizetype n = m_text.size();
    const char16_t separator = sep.unicode();
    // Most characters are letters and digits above every character the scan looks for.
    const char16_t highest = std::max(separator, char16_t(u'"'));
    const size_t firstField = fields.size();
    const qsizetype rowStart = pos;
    qsizetype start = pos;
    int quotes = 0;
    bool insideQuotes = false;
    qsizetype i = pos;
    for (; i < n; ++i) {
        const char16_t c = chars[i].unicode();
        if (c > highest)
            continue;
        if (c == u'"') {
            insideQuotes = !insideQuotes;
            ++quotes;
        } else if (c == separator) {
            if (!insideQuotes) {
                addQuotedField(start, i, quotes, fields, made);
                start = i + 1;
                quotes = 0;
            }
        } else if (c == u'\n') {
            // A quote that never closes keeps to its line, so that one stray quote cannot
            // swallow the rest of the file.
            if (!insideQuotes || !quoteClosesAfter(i))
                break;
        }
    }
    pos = i + 1;
    // Only a row without a cut can be blank: spaces hold no separator and no line end.
    if (fields.size() == firstField && isBlank(m_text.sliced(rowStart, i - rowStart)))
        return false;
    addQuotedField(start, i, quotes, fields, made);
    return true;
}

QStringView ImportLineSplitter::readTabLine(qsizetype& pos, std::vector<QStringView>& fields) const
{
    const QChar* const chars = m_text.data();
    const qsizetype n = m_text.size();
    const qsizetype lineStart = pos;
    qsizetype start = pos;
    qsizetype i = pos;
    for (; i < n; ++i) {
        const char16_t c = chars[i].unicode();
        if (c == u'\t') {
            fields.push_back(m_text.sliced(start, i - start));
            start = i + 1;
        } else if (c == u'\n') {
            break;
        }
    }
    fields.push_back(m_text.sliced(start, i - start));
    pos = i + 1;
    return m_text.sliced(lineStart, i - lineStart);
}

ImportLineSplitter::FieldCounts ImportLineSplitter::countFields() const
{
    FieldCounts counts;
    qint64 commas = 0, semicolons = 0;
    bool insideQuotes = false;
    bool blank = true;
    const auto endRow = [&] {
        if (!blank) {
            counts.comma += commas + 1;
            counts.semicolon += semicolons + 1;
        }
        commas = semicolons = 0;
        insideQuotes = false;
        blank = true;
    };
    counts.lines = 1;
    const QChar* const chars = m_text.data();
    const qsizetype n = m_text.size();
    qint64 tabs = 0;
    for (qsizetype i = 0; i < n; ++i) {
        switch (chars[i].unicode()) {
        case u' ':
            break;
        case u'"':
            insideQuotes = !insideQuotes;
            blank = false;
            break;
        case u',':
            commas += insideQuotes ? 0 : 1;
            blank = false;
            break;
        case u';':
            semicolons += insideQuotes ? 0 : 1;
            blank = false;
            break;
        case u'\t':
            ++tabs;
            blank = false;
            break;
        case u'\n':
            ++counts.lines;
            if (!insideQuotes || !quoteClosesAfter(i))
                endRow();
            break;
        default:
            blank = false;
            break;
        }
    }
    endRow();
    counts.tab = counts.lines + tabs;
    return counts;
}

} // namespace quillory
