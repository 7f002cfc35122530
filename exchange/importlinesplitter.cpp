#include "exchange/importlinesplitter.h"

namespace quillory {

bool ImportLineSplitter::isBlank(QStringView line)
{
    for (QChar c : line) {
        if (c != u' ')
            return false;
    }
    return true;
}

bool ImportLineSplitter::splitQuoted(QStringView line, QChar sep, std::vector<QStringView>& fields)
{
    if (isBlank(line))
        return false;
    const qsizetype n = line.size();
    bool insideQuotes = false;
    qsizetype start = 0;
    auto addField = [&](qsizetype end) {
        QStringView field = line.sliced(start, end - start);
        // A lone quote is kept as it is: stripping needs an opening and a closing quote, and
        // dropping the character would lose what the file holds.
        if (field.size() >= 2 && field.front() == u'"' && field.back() == u'"')
            field = field.sliced(1, field.size() - 2);
        fields.push_back(field);
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = line[i];
        if (c == u'"') {
            insideQuotes = !insideQuotes;
        } else if (c == sep && !insideQuotes) {
            addField(i);
            start = i + 1;
        }
    }
    addField(n);
    return true;
}

void ImportLineSplitter::splitAtTabs(QStringView line, std::vector<QStringView>& fields)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'\t') {
            fields.push_back(line.sliced(start, i - start));
            start = i + 1;
        }
    }
    fields.push_back(line.sliced(start));
}

ImportLineSplitter::FieldCounts ImportLineSplitter::countFields(QStringView line)
{
    FieldCounts counts;
    bool insideQuotes = false;
    bool blank = true;
    qint64 commas = 0, semicolons = 0, tabs = 0;
    for (QChar c : line) {
        switch (c.unicode()) {
        case u'"':
            insideQuotes = !insideQuotes;
            break;
        case u',':
            commas += insideQuotes ? 0 : 1;
            break;
        case u';':
            semicolons += insideQuotes ? 0 : 1;
            break;
        case u'\t':
            ++tabs;
            break;
        default:
            break;
        }
        if (c != u' ')
            blank = false;
    }
    counts.tab = tabs + 1;
    if (!blank) {
        counts.comma = commas + 1;
        counts.semicolon = semicolons + 1;
    }
    return counts;
}

} // namespace quillory
