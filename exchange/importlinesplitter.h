#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

#include <deque>
#include <vector>

namespace quillory {

// Cuts the text of an import file (line ends already LF) into rows and fields, by the rules of
// the tab format and of the two quoted formats (comma and semicolon). Fields are slices of the
// text wherever they can be; the text must outlive the splitter and the fields.
class ImportLineSplitter
{
public:
    // The field sums that decide the separator guess.
    struct FieldCounts
    {
        // Over the rows as the quoted splitters read them; rows of spaces add nothing.
        qint64 comma = 0;
        qint64 semicolon = 0;
        // Over the lines cut at every TAB: each line counts its TABs plus one.
        qint64 tab = 0;
        qint64 lines = 0;
    };

    // Texts made while splitting: a field whose doubled quotes were undone is no longer a slice
    // of the file, so its text lives here. A deque never moves what it holds, so the fields that
    // point into it stay valid as it grows.
    using MadeTexts = std::deque<QString>;

    explicit ImportLineSplitter(QStringView text);
    // A splitter that may rewrite text, which it is given to own for the fields' lifetime: a
    // field whose doubled quotes are undone is written over its own quoted form (it is always
    // shorter, and behind what is still to be read), so that no field needs a text of its own.
    explicit ImportLineSplitter(QString& text);

    // Past the last row: a loop over the rows runs while pos <= text size.
    qsizetype endPosition() const { return m_text.size() + 1; }

    // Reads the row of a quoted format that starts at pos, appends its fields and moves pos to
    // the start of the next row (endPosition() after the last). The row is cut at sep outside
    // double quotes; a field that begins and ends with a double quote loses that pair, and then
    // each doubled quote in it becomes one. A line end inside quotes belongs to the field and the
    // row goes on, as long as a quote follows somewhere later in the text; otherwise the row ends
    // there, as every row does at a line end outside quotes. Returns false, appending nothing,
    // for a line that is empty or made of spaces only.
    bool readQuotedRow(qsizetype& pos, QChar sep, std::vector<QStringView>& fields,
                       MadeTexts& made) const;
    // Reads the line that starts at pos, cut at every TAB (at least one field), and moves pos
    // past its line end. Returns the whole line.
    QStringView readTabLine(qsizetype& pos, std::vector<QStringView>& fields) const;

    // All sums in one pass, rows joined across lines exactly as readQuotedRow joins them.
    FieldCounts countFields() const;

    // Empty, or U+0020 only (tabs are not spaces here).
    static bool isBlank(QStringView line);

private:
    void addQuotedField(qsizetype start, qsizetype end, int quotes,
                        std::vector<QStringView>& fields, MadeTexts& made) const;
    // Whether a line end at pos, met inside quotes, is followed by a quote that closes them.
    bool quoteClosesAfter(qsizetype pos) const { return m_lastQuote > pos; }

    QStringView m_text;
    // m_text's characters when they may be rewritten; null otherwise.
    QChar* m_writable = nullptr;
    qsizetype m_lastQuote = -1;
};

} // namespace quillory
