#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <deque>
#include <vector>

namespace quillory {

// The rows read from an import file, held compactly: one decoded text, and each row's fields
// as slices of it. Rows need not have the same number of fields.
class ImportRows
{
public:
    // Drops every row and keeps text as the one text that later rows slice.
    void reset(QString text = {});
    const QString& text() const { return m_text; }
    // The text for the splitter that cuts it into rows, which may rewrite fields in place (see
    // ImportLineSplitter); its size never changes.
    QString& textToSplit() { return m_text; }
    void reserve(qsizetype rows, qsizetype fields);
    // fields must be slices of text() or of madeTexts().
    void appendRow(const std::vector<QStringView>& fields);
    // Texts of fields that are not slices of text() (their doubled quotes undone); kept until
    // the next reset. A deque never moves what it holds, so slices of it stay valid.
    std::deque<QString>& madeTexts() { return m_madeTexts; }
    const std::deque<QString>& madeTexts() const { return m_madeTexts; }

    qsizetype rowCount() const { return qsizetype(m_rowStarts.size()); }
    qsizetype fieldCount(qsizetype row) const;
    // The field's text; an empty view when row or column is out of range.
    QStringView element(qsizetype row, qsizetype column) const;
    QStringList elements(qsizetype row) const;

private:
    // A field as its place in text(): 8 bytes where a view takes 16, for millions of fields.
    // Fields elsewhere (in madeTexts()) are listed in m_outside, their slice pointing there.
    struct Slice
    {
        quint32 start;
        quint32 length;
    };
    static constexpr quint32 kOutside = 0xFFFFFFFFu;

    QString m_text;
    std::deque<QString> m_madeTexts;
    std::vector<Slice> m_fields;
    std::vector<QStringView> m_outside;
    std::vector<qsizetype> m_rowStarts;
};

} // namespace quillory
