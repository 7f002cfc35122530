#pragma once

#include "core/fieldkey.h"
#include "exchange/importrows.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

namespace quillory {

class ImportSession;

// Guesses whether the first row of an import file names its columns, and which user field
// each name stands for, so that the mapping can start where the user would take it.
class ImportHeaderGuess
{
public:
    // Why the first row looks like a header, strongest last.
    enum class Evidence {
        None,
        // Every cell is text, and a column below it holds numbers only.
        TextOverNumbers,
        // A cell names a user field.
        FieldNames,
    };
    // Rows below the first that are looked at: enough to see a column's kind, and a large
    // file costs no more than a small one.
    static constexpr qsizetype kRowsLooked = 50;

    // fields: the user fields a column may go to, in key-list order.
    ImportHeaderGuess(const ImportRows& rows, const std::vector<FieldKey>& fields);

    Evidence evidence() const { return m_evidence; }
    // Per column of the first row, the inner key of the field its text names, "" for none. A
    // field goes to the first column that names it, as a field takes one column at most.
    const QStringList& fieldOfColumn() const { return m_fieldOfColumn; }

    // Whether to take the first row as a header: names of fields decide; otherwise what was
    // chosen for the document's last import, when there was one, beats numbers under text (a
    // document's files tend to come from one place, in one shape).
    static bool decide(Evidence evidence, std::optional<bool> remembered);
    // Sets up a session prepared for mapping with the first row as a header: it is not
    // imported, and each column naming a field goes to it; with no user field at all, every
    // column goes to a new field named after its header. Without a header nothing changes.
    void applyTo(ImportSession& session, bool header) const;

    // A text as a header is compared with a field's name: without surrounding spaces, accents
    // or case ("  Prénom " and "PRENOM" are the same).
    static QString comparable(QStringView text);
    // A number, date, amount or phone number: digits with nothing but number punctuation.
    static bool looksNumeric(QStringView text);

private:
    bool textOverNumbers(const ImportRows& rows) const;

    Evidence m_evidence = Evidence::None;
    QStringList m_fieldOfColumn;
};

} // namespace quillory
