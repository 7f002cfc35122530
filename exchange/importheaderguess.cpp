#include "exchange/importheaderguess.h"

#include "exchange/importsession.h"

#include <algorithm>

namespace quillory {

ImportHeaderGuess::ImportHeaderGuess(const ImportRows& rows, const std::vector<FieldKey>& fields)
{
    if (rows.rowCount() == 0)
        return;
    std::vector<QString> names;
    names.reserve(fields.size());
    for (const FieldKey& field : fields)
        names.push_back(comparable(field.publicKey));
    const qsizetype columns = rows.fieldCount(0);
    std::vector<bool> taken(fields.size(), false);
    bool named = false;
    for (qsizetype column = 0; column < columns; ++column) {
        const QString header = comparable(rows.element(0, column));
        QString innerKey;
        // A blank header names nothing, not even a field without a name.
        for (size_t f = 0; !header.isEmpty() && f < names.size(); ++f)
            if (!taken[f] && names[f] == header) {
                taken[f] = true;
                innerKey = fields[f].innerKey;
                named = true;
                break;
            }
        m_fieldOfColumn.append(innerKey);
    }
    if (named)
        m_evidence = Evidence::FieldNames;
    else if (textOverNumbers(rows))
        m_evidence = Evidence::TextOverNumbers;
}

bool ImportHeaderGuess::textOverNumbers(const ImportRows& rows) const
{
    const qsizetype columns = rows.fieldCount(0);
    bool anyText = false;
    for (qsizetype column = 0; column < columns; ++column) {
        const QStringView cell = rows.element(0, column);
        if (looksNumeric(cell))
            return false;
        anyText = anyText || !cell.trimmed().isEmpty();
    }
    if (!anyText)
        return false;
    const qsizetype last = std::min(rows.rowCount(), kRowsLooked + 1);
    for (qsizetype column = 0; column < columns; ++column) {
        if (rows.element(0, column).trimmed().isEmpty())
            continue;
        // Blank cells say nothing of a column's kind; one word among numbers says it is text.
        bool numbers = false, text = false;
        for (qsizetype row = 1; row < last && !text; ++row) {
            const QStringView cell = rows.element(row, column);
            if (cell.trimmed().isEmpty())
                continue;
            numbers = numbers || looksNumeric(cell);
            text = !looksNumeric(cell);
        }
        if (numbers && !text)
            return true;
    }
    return false;
}

bool ImportHeaderGuess::decide(Evidence evidence, std::optional<bool> remembered)
{
    if (evidence == Evidence::FieldNames)
        return true;
    if (remembered)
        return *remembered;
    return evidence != Evidence::None;
}

void ImportHeaderGuess::applyTo(ImportSession& session, bool header) const
{
    if (!header || session.numberOfImportRows() == 0)
        return;
    session.setUseFirstRecordAsFieldsName(true);
    session.firstRowSetFieldsNameSelected();
    if (session.destinationFields().empty()) {
        session.mapAllToNewFields();
        session.setUseHeaderNamesForNewFields(true);
        return;
    }
    for (qsizetype column = 0; column < m_fieldOfColumn.size(); ++column)
        if (!m_fieldOfColumn[column].isEmpty())
            session.setDestination(column, ImportDestination::field(m_fieldOfColumn[column]));
}

QString ImportHeaderGuess::comparable(QStringView text)
{
    const QString decomposed = text.trimmed().toString().normalized(QString::NormalizationForm_D);
    QString bare;
    bare.reserve(decomposed.size());
    for (QChar c : decomposed)
        if (!c.isMark())
            bare.append(c);
    return bare.toCaseFolded();
}

bool ImportHeaderGuess::looksNumeric(QStringView text)
{
    bool digit = false;
    for (QChar c : text) {
        if (c.isDigit())
            digit = true;
        else if (!c.isSpace() && c.category() != QChar::Symbol_Currency &&
                 !QStringView(u"+-.,/:%()'").contains(c))
            return false;
    }
    return digit;
}

} // namespace quillory
