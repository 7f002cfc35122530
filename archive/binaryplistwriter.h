#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <QStringView>
#include <QtEndian>

#include <memory>
#include <string_view>
#include <vector>

namespace quillory {

// Writes a binary property list ("bplist00") whose object count is known up front, so that
// every reference goes out at its final width in a single pass. Objects may be written in any
// order, each under its index; widths are the smallest of 1, 2, 4 or 8 bytes, as Apple's
// writer picks them, and the trailer is exact. The file is built in memory, or streamed to a
// device through a small buffer.
class BinaryPlistWriter
{
public:
    explicit BinaryPlistWriter(quint64 objectCount, qsizetype expectedBytes = 0);
    // Streams to sink, which must be open for writing; nothing is kept in memory but the
    // object offsets.
    BinaryPlistWriter(quint64 objectCount, QIODevice* sink);

    quint64 objectCount() const { return m_objectCount; }
    int refSize() const { return m_refSize; }

    void writeBool(quint64 index, bool b);
    void writeInteger(quint64 index, qint64 n);
    // Values above the signed 64-bit range take the 16-byte form.
    void writeUnsigned(quint64 index, quint64 n);
    void writeReal(quint64 index, double d);
    // A plist date (not an NSDate object, which is an archived instance).
    void writeDate(quint64 index, double secondsSince2001);
    // ASCII text as bytes, anything else as UTF-16BE counted in code units.
    void writeString(quint64 index, QStringView s);
    void writeString(quint64 index, QLatin1StringView s);
    // Text the caller knows to be ASCII.
    void writeAscii(quint64 index, std::string_view s);
    void writeData(quint64 index, QByteArrayView d);
    void writeUid(quint64 index, quint64 uid);
    // count UIDs first, first + 1, ... at indices index, index + 1, ...
    void writeUids(quint64 index, quint64 first, quint64 count);
    // An array of count references: follow with exactly count calls of appendReference.
    void beginArray(quint64 index, quint64 count);
    // A dictionary of count entries: follow with its count key references, then its count
    // value references.
    void beginDict(quint64 index, quint64 count);
    void appendReference(quint64 ref)
    {
        Q_ASSERT(m_pendingRefs > 0 && ref < m_objectCount);
        --m_pendingRefs;
        switch (m_refSize) {
        case 1:
            *m_pos++ = char(uchar(ref));
            break;
        case 2:
            qToBigEndian<quint16>(quint16(ref), m_pos);
            m_pos += 2;
            break;
        case 4:
            qToBigEndian<quint32>(quint32(ref), m_pos);
            m_pos += 4;
            break;
        default:
            qToBigEndian<quint64>(ref, m_pos);
            m_pos += 8;
            break;
        }
    }

    // Writes the offset table and the trailer, with topObject as the root. False when the sink
    // failed, or when an object was left unwritten or written twice (a fault of the caller).
    bool finish(quint64 topObject = 0);
    // The finished file, when it was built in memory.
    QByteArray takeData() { return std::move(m_buffer); }
    QString errorString() const { return m_error; }

    // Bytes used by the smallest big-endian form of value: 1, 2, 4 or 8.
    static int byteCount(quint64 value);

private:
    template <class Unit> void writeText(quint64 index, const Unit* units, qsizetype n);
    bool startObject(quint64 index, qsizetype maxBytes);
    void writeEightByteReal(quint64 index, uchar marker, double d);
    void flush();
    void writeMarkerWithCount(uchar marker, quint64 count);
    void reserve(qsizetype bytes)
    {
        if (m_end - m_pos < bytes)
            grow(bytes);
    }
    void grow(qsizetype bytes);
    void putByte(uchar b) { *m_pos++ = char(b); }
    void putBigEndian(quint64 v, int width)
    {
        for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
            *m_pos++ = char(uchar(v >> shift));
    }

    QIODevice* m_sink = nullptr;
    quint64 m_flushed = 0; // bytes already handed to the sink
    QString m_error;
    QByteArray m_buffer;
    char* m_pos = nullptr;
    char* m_end = nullptr;
    void widenOffsets();

    quint64 m_objectCount = 0;
    // Object offsets take 4 bytes each while the file stays under 4 GiB, 8 past that.
    std::unique_ptr<quint32[]> m_offsets32;
    std::unique_ptr<quint64[]> m_offsets64;
    std::vector<bool> m_isWritten;
    quint64 m_written = 0;
    quint64 m_pendingRefs = 0;
    int m_refSize = 1;
    bool m_failed = false;
};

} // namespace quillory
