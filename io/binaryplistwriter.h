#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <memory>
#include <string_view>
#include <vector>

namespace quillory {

// Writes a binary property list ("bplist00") whose object count is known up front, so that
// every reference goes straight into one buffer at its final width. Objects may be written in
// any order, each under its index; widths are the smallest of 1, 2, 4 or 8 bytes, as Apple's
// writer picks them, and the trailer is exact.
class BinaryPlistWriter
{
public:
    explicit BinaryPlistWriter(quint64 objectCount, qsizetype expectedBytes = 0);

    quint64 objectCount() const { return m_objectCount; }
    int refSize() const { return m_refSize; }

    void writeBool(quint64 index, bool b);
    void writeInteger(quint64 index, qint64 n);
    // Values above the signed 64-bit range take the 16-byte form.
    void writeUnsigned(quint64 index, quint64 n);
    void writeReal(quint64 index, double d);
    // ASCII text as bytes, anything else as UTF-16BE counted in code units.
    void writeString(quint64 index, QStringView s);
    // Text the caller knows to be ASCII.
    void writeAscii(quint64 index, std::string_view s);
    void writeData(quint64 index, QByteArrayView d);
    void writeUid(quint64 index, quint64 uid);
    // An array of count references: follow with exactly count calls of appendReference.
    void beginArray(quint64 index, quint64 count);
    // A dictionary of count entries: follow with its count key references, then its count
    // value references.
    void beginDict(quint64 index, quint64 count);
    void appendReference(quint64 ref)
    {
        Q_ASSERT(m_pendingRefs > 0 && ref < m_objectCount);
        --m_pendingRefs;
        putBigEndian(ref, m_refSize);
    }

    // The whole file, with topObject as its root; empty when an object was left unwritten or
    // written twice (a fault of the caller).
    QByteArray finish(quint64 topObject = 0);

    // Bytes used by the smallest big-endian form of value: 1, 2, 4 or 8.
    static int byteCount(quint64 value);

private:
    bool startObject(quint64 index, qsizetype maxBytes);
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
