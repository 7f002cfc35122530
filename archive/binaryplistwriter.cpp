#include "archive/binaryplistwriter.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

namespace quillory {

namespace {

constexpr qsizetype kHeaderSize = 8;
constexpr qsizetype kTrailerSize = 32;
// Marker, the longest count (marker plus 8 bytes) and an 8-byte or 16-byte payload.
constexpr qsizetype kScalarRoom = 1 + 9 + 16;
// Buffer of a streaming writer: large enough to make few device writes, small enough to stay
// in cache.
constexpr qsizetype kStreamChunk = 1 << 20;

int refSizeFor(quint64 objectCount)
{
    // Apple's reader demands 2^(8*refSize) > objectCount, so a count of exactly 256 needs two
    // bytes even though the largest reference fits in one.
    return objectCount < 0x100 ? 1 : objectCount < 0x10000 ? 2 : objectCount < 0x100000000 ? 4 : 8;
}

} // namespace

int BinaryPlistWriter::byteCount(quint64 value)
{
    if (value <= 0xFF)
        return 1;
    if (value <= 0xFFFF)
        return 2;
    if (value <= 0xFFFFFFFFu)
        return 4;
    return 8;
}

BinaryPlistWriter::BinaryPlistWriter(quint64 objectCount, qsizetype expectedBytes)
    : m_objectCount(objectCount),
      m_offsets32(std::make_unique_for_overwrite<quint32[]>(objectCount)),
      m_isWritten(objectCount, false)
{
    m_refSize = refSizeFor(objectCount);
    m_buffer.resize(std::max<qsizetype>(expectedBytes, 64) + kHeaderSize);
    m_pos = m_buffer.data();
    m_end = m_pos + m_buffer.size();
    std::memcpy(m_pos, "bplist00", kHeaderSize);
    m_pos += kHeaderSize;
}

BinaryPlistWriter::BinaryPlistWriter(quint64 objectCount, QIODevice* sink)
    : BinaryPlistWriter(objectCount, kStreamChunk)
{
    m_sink = sink;
}

void BinaryPlistWriter::flush()
{
    const qsizetype used = m_pos - m_buffer.data();
    // After a failure the rest is dropped: the caller learns of it from finish().
    if (m_error.isEmpty() && used > 0) {
        qint64 written = m_sink->write(m_buffer.constData(), used);
        // A short write (a full disk, a file-size limit) sets no error of its own: writing
        // the rest fails with the system's reason, or finishes the write.
        if (written >= 0 && written < used) {
            const qint64 rest = m_sink->write(m_buffer.constData() + written, used - written);
            written = rest < 0 ? rest : written + rest;
        }
        if (written != used) {
            m_error = written < 0 ? m_sink->errorString()
                                  : QStringLiteral("could not write the whole file");
            m_failed = true;
        }
    }
    m_flushed += quint64(used);
    m_pos = m_buffer.data();
}

void BinaryPlistWriter::grow(qsizetype bytes)
{
    if (m_sink) {
        flush();
        if (m_end - m_pos >= bytes)
            return;
    }
    const qsizetype used = m_pos - m_buffer.data();
    const qsizetype needed = used + bytes;
    qsizetype capacity = m_buffer.size();
    while (capacity < needed)
        capacity = capacity + capacity / 2 + 64;
    m_buffer.resize(capacity);
    m_pos = m_buffer.data() + used;
    m_end = m_buffer.data() + m_buffer.size();
}

bool BinaryPlistWriter::startObject(quint64 index, qsizetype maxBytes)
{
    Q_ASSERT(m_pendingRefs == 0);
    if (index >= m_objectCount || m_isWritten[index] || m_pendingRefs != 0) {
        m_failed = true;
        return false;
    }
    reserve(maxBytes);
    const quint64 offset = m_flushed + quint64(m_pos - m_buffer.data());
    if (!m_offsets64 && offset > 0xFFFFFFFFu)
        widenOffsets();
    if (m_offsets64)
        m_offsets64[index] = offset;
    else
        m_offsets32[index] = quint32(offset);
    m_isWritten[index] = true;
    ++m_written;
    return true;
}

void BinaryPlistWriter::widenOffsets()
{
    m_offsets64 = std::make_unique_for_overwrite<quint64[]>(m_objectCount);
    for (quint64 i = 0; i < m_objectCount; ++i)
        if (m_isWritten[i])
            m_offsets64[i] = m_offsets32[i];
    m_offsets32.reset();
}

void BinaryPlistWriter::writeMarkerWithCount(uchar marker, quint64 count)
{
    if (count < 15) {
        putByte(marker | uchar(count));
        return;
    }
    putByte(marker | 0x0F);
    const int width = byteCount(count);
    putByte(uchar(0x10 | (width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3)));
    putBigEndian(count, width);
}

void BinaryPlistWriter::writeBool(quint64 index, bool b)
{
    if (startObject(index, 1))
        putByte(b ? 0x09 : 0x08);
}

void BinaryPlistWriter::writeInteger(quint64 index, qint64 n)
{
    if (!startObject(index, kScalarRoom))
        return;
    // As Apple's writer does: non-negative values up to 32 bits in 1, 2 or 4 bytes, every
    // other value (all negative ones included) in 8.
    const quint64 bits = quint64(n);
    const int width = byteCount(bits);
    putByte(uchar(0x10 | (width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3)));
    putBigEndian(bits, width);
}

void BinaryPlistWriter::writeUnsigned(quint64 index, quint64 n)
{
    if (n <= quint64(std::numeric_limits<qint64>::max())) {
        writeInteger(index, qint64(n));
        return;
    }
    if (!startObject(index, kScalarRoom))
        return;
    putByte(0x14);
    putBigEndian(0, 8);
    putBigEndian(n, 8);
}

void BinaryPlistWriter::writeReal(quint64 index, double d)
{
    writeEightByteReal(index, 0x23, d);
}

void BinaryPlistWriter::writeDate(quint64 index, double secondsSince2001)
{
    writeEightByteReal(index, 0x33, secondsSince2001);
}

void BinaryPlistWriter::writeEightByteReal(quint64 index, uchar marker, double d)
{
    if (!startObject(index, kScalarRoom))
        return;
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    putByte(marker);
    putBigEndian(bits, 8);
}

template <class Unit>
void BinaryPlistWriter::writeText(quint64 index, const Unit* units, qsizetype n)
{
    if (!startObject(index, kScalarRoom + 2 * n))
        return;
    // Written optimistically as ASCII; the first non-ASCII unit turns the marker into the
    // UTF-16 one, whose count (code units) and header length are the same.
    char* marker = m_pos;
    writeMarkerWithCount(0x50, quint64(n));
    char* payload = m_pos;
    std::make_unsigned_t<Unit> seen = 0;
    for (qsizetype i = 0; i < n; ++i) {
        seen |= units[i];
        payload[i] = char(units[i]);
    }
    if (seen < 0x80) {
        m_pos = payload + n;
        return;
    }
    *marker = char(uchar(*marker) + 0x10);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t unit = char16_t(std::make_unsigned_t<Unit>(units[i]));
        payload[2 * i] = char(uchar(unit >> 8));
        payload[2 * i + 1] = char(uchar(unit));
    }
    m_pos = payload + 2 * n;
}

void BinaryPlistWriter::writeString(quint64 index, QStringView s)
{
    writeText(index, s.utf16(), s.size());
}

void BinaryPlistWriter::writeString(quint64 index, QLatin1StringView s)
{
    writeText(index, reinterpret_cast<const uchar*>(s.data()), s.size());
}

void BinaryPlistWriter::writeAscii(quint64 index, std::string_view s)
{
    if (!startObject(index, kScalarRoom + qsizetype(s.size())))
        return;
    writeMarkerWithCount(0x50, s.size());
    std::memcpy(m_pos, s.data(), s.size());
    m_pos += s.size();
}

void BinaryPlistWriter::writeData(quint64 index, QByteArrayView d)
{
    if (!startObject(index, kScalarRoom + d.size()))
        return;
    writeMarkerWithCount(0x40, quint64(d.size()));
    if (!d.isEmpty())
        std::memcpy(m_pos, d.data(), size_t(d.size()));
    m_pos += d.size();
}

void BinaryPlistWriter::writeUid(quint64 index, quint64 uid)
{
    if (!startObject(index, kScalarRoom))
        return;
    const int width = byteCount(uid);
    putByte(uchar(0x80 | (width - 1)));
    putBigEndian(uid, width);
}

void BinaryPlistWriter::writeUids(quint64 index, quint64 first, quint64 count)
{
    for (quint64 i = 0; i < count; ++i)
        writeUid(index + i, first + i);
}

void BinaryPlistWriter::beginArray(quint64 index, quint64 count)
{
    if (!startObject(index, kScalarRoom + qsizetype(count) * m_refSize))
        return;
    writeMarkerWithCount(0xA0, count);
    m_pendingRefs = count;
}

void BinaryPlistWriter::beginDict(quint64 index, quint64 count)
{
    if (!startObject(index, kScalarRoom + 2 * qsizetype(count) * m_refSize))
        return;
    writeMarkerWithCount(0xD0, count);
    m_pendingRefs = 2 * count;
}

bool BinaryPlistWriter::finish(quint64 topObject)
{
    if (m_pendingRefs != 0 || m_written != m_objectCount || topObject >= m_objectCount) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("internal error: the object table is incomplete");
        m_failed = true;
    }
    if (m_failed) {
        m_buffer.clear();
        return false;
    }
    const quint64 tableOffset = m_flushed + quint64(m_pos - m_buffer.data());
    const int offsetSize = byteCount(tableOffset);
    constexpr quint64 kBlock = 1 << 16;
    for (quint64 first = 0; first < m_objectCount; first += kBlock) {
        const quint64 last = std::min(m_objectCount, first + kBlock);
        reserve(qsizetype(last - first) * offsetSize);
        if (!m_offsets64 && offsetSize == 4) {
            for (quint64 i = first; i < last; ++i, m_pos += 4)
                qToBigEndian<quint32>(m_offsets32[i], m_pos);
        } else {
            for (quint64 i = first; i < last; ++i)
                putBigEndian(m_offsets64 ? m_offsets64[i] : m_offsets32[i], offsetSize);
        }
    }
    reserve(kTrailerSize);
    std::memset(m_pos, 0, 6);
    m_pos += 6;
    putByte(uchar(offsetSize));
    putByte(uchar(m_refSize));
    putBigEndian(m_objectCount, 8);
    putBigEndian(topObject, 8);
    putBigEndian(tableOffset, 8);
    m_offsets32.reset();
    m_offsets64.reset();
    if (m_sink) {
        flush();
        m_buffer.clear();
    } else {
        m_buffer.truncate(m_pos - m_buffer.data());
    }
    m_pos = m_end = nullptr;
    return !m_failed;
}

} // namespace quillory
