#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>

#include <optional>
#include <string_view>

namespace quillory {

// Reads a binary property list ("bplist00") in place: the trailer is checked once, then each
// object is parsed from the buffer only when asked for, with every offset, count and reference
// bounds-checked, so that a damaged file fails with a message instead of a crash.
class BinaryPlistReader
{
public:
    enum class Kind : quint8 {
        Bool,
        Integer,
        Real,
        Date,
        Data,
        AsciiString,
        Utf16String,
        Uid,
        Array,
        Set,
        Dict
    };

    // Where one object sits in the buffer; its payload is already known to lie inside the
    // object table.
    struct Object
    {
        Kind kind = Kind::Bool;
        bool boolValue = false;
        quint8 width = 0;  // bytes of an integer, real, date or UID payload
        quint64 count = 0; // bytes of data, code units of a string, elements of a container
        qsizetype payload = 0;
    };

    // An integer as stored: 1, 2 and 4-byte integers are unsigned, 8-byte ones signed (high is
    // their sign extension), 16-byte ones carry both halves.
    struct Integer
    {
        quint64 high = 0;
        quint64 low = 0;
    };

    // Checks the header and trailer; false with error() when the data is no valid bplist00.
    bool open(const QByteArray& data);
    // What the latest failing call found wrong.
    const QString& error() const { return m_error; }

    quint64 objectCount() const { return m_objectCount; }
    quint64 topObject() const { return m_topObject; }

    bool object(quint64 index, Object& out);
    // Element position of an array or set; for a dictionary, keys are positions 0..count-1 and
    // values count..2*count-1. The reference itself is checked when it is followed.
    bool reference(const Object& container, quint64 position, quint64& out);
    // The same two without a message (and without changing the reader): safe to call from
    // several threads at once.
    bool peekObject(quint64 index, Object& out) const;
    bool peekReference(const Object& container, quint64 position, quint64& out) const;
    // The references of an array as the file stores them, to compare two arrays at once.
    QByteArrayView rawReferences(const Object& array) const
    {
        return QByteArrayView(m_data.constData() + array.payload,
                              qsizetype(array.count) * m_refSize);
    }

    // The UID that element position of a container refers to, when it is a valid UID of up to
    // 4 bytes: the case of every reference in an archive, read in one step. Nothing otherwise;
    // reference() and object() then tell what is wrong.
    std::optional<quint64> plainUidAt(const Object& container, quint64 position) const;

    Integer integer(const Object& o) const;
    double real(const Object& o) const; // reals and dates
    quint64 uid(const Object& o) const;
    QString string(const Object& o) const;
    // An ASCII string's bytes where the data holds them.
    QLatin1StringView asciiView(const Object& o) const
    {
        return QLatin1StringView(m_data.constData() + o.payload, qsizetype(o.count));
    }
    QByteArray data(const Object& o) const;
    // Whether a string object holds exactly this ASCII text, without decoding it.
    bool stringEquals(const Object& o, std::string_view ascii) const;

private:
    bool fail(const QString& message);
    template <class Refuse> bool parseObject(quint64 index, Object& out, Refuse refuse) const;
    template <class Refuse>
    bool readCount(qsizetype& pos, quint8 nibble, quint64& count, Refuse refuse) const;
    bool fits(qsizetype pos, quint64 units, quint64 unitSize) const;
    quint64 readUnsigned(qsizetype pos, int width) const;

    QByteArray m_data;
    const uchar* m_bytes = nullptr;
    QString m_error;
    quint64 m_objectCount = 0;
    quint64 m_topObject = 0;
    quint64 m_tableOffset = 0;
    int m_refSize = 0;
    int m_offsetSize = 0;
};

} // namespace quillory
