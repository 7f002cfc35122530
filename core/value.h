#pragma once

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <memory>
#include <variant>

namespace quillory {

struct Array;
struct Dict;
class PackedRecord;
using ArrayPtr = std::shared_ptr<Array>;
using DictPtr = std::shared_ptr<Dict>;

// A date as archived: seconds since 2001-01-01 00:00:00 UTC.
struct DateValue
{
    double secondsSince2001 = 0;
    bool operator==(const DateValue&) const = default;
};

// One value of a document's object graph, in the classes the archive can hold.
// None is what a missing entry reads as; containers are shared by reference, so a
// record or Prototype keeps its identity wherever it is held.
class Value
{
public:
    enum class Type {
        None,
        Bool,
        Integer,
        Unsigned,
        Real,
        String,
        Data,
        Uuid,
        Date,
        Array,
        Dict,
        Record
    };

    Value() = default;
    static Value boolean(bool b);
    static Value integer(qint64 n);
    // Integers above the signed 64-bit range, as 16-byte archive integers carry them.
    static Value unsignedInteger(quint64 n);
    static Value real(double d);
    static Value string(QString s, bool isMutable = false);
    static Value data(QByteArray d, bool isMutable = false);
    static Value uuid(QUuid u);
    static Value date(DateValue d);
    static Value array(ArrayPtr a);
    static Value dict(DictPtr d);
    // A record of a document's list, archived as a mutable dictionary.
    static Value record(std::shared_ptr<PackedRecord> r);

    Type type() const;
    bool isNone() const { return type() == Type::None; }
    bool isString() const { return type() == Type::String; }
    bool isNumber() const;
    // Mutable strings, data, arrays and dictionaries are archived under their mutable class.
    bool isMutable() const { return m_mutable; }
    void setMutable(bool m) { m_mutable = m; }

    // Reads "as a boolean": YES for true and for any non-zero number; NO otherwise.
    bool toBool() const;
    // Reads as a signed integer: numbers convert (reals truncate), everything else is 0.
    qint64 toInteger() const;
    quint64 toUnsigned() const;
    double toReal() const;
    // The text of a string value; the empty text for anything else.
    QString toString() const;
    // Text for display and substitution: strings as they are, numbers in decimal, "" otherwise.
    QString toText() const;
    const QString* stringPtr() const { return std::get_if<QString>(&m_v); }
    QByteArray toData() const;
    const QByteArray* dataPtr() const { return std::get_if<QByteArray>(&m_v); }
    QUuid toUuid() const;
    DateValue toDate() const;
    ArrayPtr toArray() const;
    DictPtr toDict() const;
    std::shared_ptr<PackedRecord> toRecord() const;
    // The record moved out (this value is none after), or null for any other value.
    std::shared_ptr<PackedRecord> takeRecord();
    const PackedRecord* recordPtr() const
    {
        const auto* r = std::get_if<std::shared_ptr<PackedRecord>>(&m_v);
        return r ? r->get() : nullptr;
    }

    // Deep equality for plain values; containers compare their contents.
    bool operator==(const Value& other) const;

private:
    std::variant<std::monostate, bool, qint64, quint64, double, QString, QByteArray, QUuid,
                 DateValue, ArrayPtr, DictPtr, std::shared_ptr<PackedRecord>>
        m_v;
    bool m_mutable = false;
};

} // namespace quillory
