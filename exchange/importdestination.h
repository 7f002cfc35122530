#pragma once

#include <QString>

namespace quillory {

// Where an imported column's values go: nowhere, a field made for the column, or one of the
// target's user fields (named by its inner key).
class ImportDestination
{
public:
    enum class Kind { Skip, NewField, Field };

    // Skip.
    ImportDestination() = default;
    static ImportDestination skip() { return {}; }
    static ImportDestination newField() { return ImportDestination(Kind::NewField, {}); }
    static ImportDestination field(QString innerKey)
    {
        return ImportDestination(Kind::Field, std::move(innerKey));
    }

    Kind kind() const { return m_kind; }
    bool isSkip() const { return m_kind == Kind::Skip; }
    bool isNewField() const { return m_kind == Kind::NewField; }
    bool isField() const { return m_kind == Kind::Field; }
    // The field's inner key; empty for Skip and NewField.
    const QString& innerKey() const { return m_innerKey; }

    bool operator==(const ImportDestination&) const = default;

private:
    ImportDestination(Kind kind, QString innerKey) : m_kind(kind), m_innerKey(std::move(innerKey))
    {}

    Kind m_kind = Kind::Skip;
    QString m_innerKey;
};

} // namespace quillory
