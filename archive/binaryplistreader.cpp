#include "archive/binaryplistreader.h"

#include <QtEndian>

#include <cstring>

namespace quillory {

namespace {

constexpr qsizetype kHeaderSize = 8;
constexpr qsizetype kTrailerSize = 32;

quint64 bigEndian(const uchar* p, int width)
{
    switch (width) {
    case 1:
        return p[0];
    case 2:
        return qFromBigEndian<quint16>(p);
    case 4:
        return qFromBigEndian<quint32>(p);
    case 8:
        return qFromBigEndian<quint64>(p);
    default:
        break;
    }
    quint64 v = 0;
    for (int i = 0; i < width; ++i)
        v = (v << 8) | p[i];
    return v;
}

// Whether value fits the given number of bytes, as the trailer checks demand.
bool fitsBytes(quint64 value, int width)
{
    return width >= 8 || value < (quint64(1) << (8 * width));
}

} // namespace

bool BinaryPlistReader::fail(const QString& message)
{
    // The latest failure: callers read it right after the call that failed.
    m_error = message;
    return false;
}

bool BinaryPlistReader::open(const QByteArray& data)
{
    m_data = data;
    m_bytes = reinterpret_cast<const uchar*>(m_data.constData());
    m_error.clear();
    m_objectCount = 0;
    const qsizetype size = m_data.size();
    if (size < kHeaderSize + kTrailerSize || std::memcmp(m_bytes, "bplist00", 8) != 0)
        return fail(QStringLiteral("not a binary property list"));

    const uchar* t = m_bytes + size - kTrailerSize;
    m_offsetSize = t[6];
    m_refSize = t[7];
    m_objectCount = bigEndian(t + 8, 8);
    m_topObject = bigEndian(t + 16, 8);
    m_tableOffset = bigEndian(t + 24, 8);

    // The checks Apple's reader applies before it trusts anything in the file.
    const quint64 room = quint64(size - kTrailerSize);
    if (m_objectCount < 1 || m_topObject >= m_objectCount || m_tableOffset < kHeaderSize + 1 ||
        m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 ||
        !fitsBytes(m_objectCount, m_refSize) || !fitsBytes(m_tableOffset, m_offsetSize) ||
        m_tableOffset > room || m_objectCount > (room - m_tableOffset) / quint64(m_offsetSize) ||
        m_tableOffset + m_objectCount * quint64(m_offsetSize) != room) {
        m_objectCount = 0; // so that no object can be asked for
        return fail(QStringLiteral("the property list trailer is damaged"));
    }
    return true;
}

quint64 BinaryPlistReader::readUnsigned(qsizetype pos, int width) const
{
    return bigEndian(m_bytes + pos, width);
}

bool BinaryPlistReader::fits(qsizetype pos, quint64 units, quint64 unitSize) const
{
    const quint64 end = m_tableOffset;
    return quint64(pos) <= end && units <= (end - quint64(pos)) / unitSize;
}

template <class Refuse>
bool BinaryPlistReader::readCount(qsizetype& pos, quint8 nibble, quint64& count,
                                  Refuse refuse) const
{
    if (nibble != 0xF) {
        count = nibble;
        return true;
    }
    if (!fits(pos, 1, 1))
        return refuse(QStringLiteral("object extends past the object table"));
    const uchar marker = m_bytes[pos];
    const int width = 1 << (marker & 0x0F);
    if ((marker & 0xF0) != 0x10 || width > 8 || !fits(pos + 1, width, 1))
        return refuse(QStringLiteral("object has a damaged length"));
    count = readUnsigned(pos + 1, width);
    pos += 1 + width;
    return true;
}

template <class Refuse>
bool BinaryPlistReader::parseObject(quint64 index, Object& out, Refuse refuse) const
{
    if (index >= m_objectCount)
        return refuse(QStringLiteral("object reference %1 is out of range").arg(index));
    const quint64 offset =
        readUnsigned(qsizetype(m_tableOffset + index * m_offsetSize), m_offsetSize);
    if (offset < quint64(kHeaderSize) || offset >= m_tableOffset)
        return refuse(QStringLiteral("object %1 has an invalid offset").arg(index));

    const uchar marker = m_bytes[offset];
    const quint8 nibble = marker & 0x0F;
    qsizetype pos = qsizetype(offset) + 1;
    out = Object();
    switch (marker >> 4) {
    case 0x0:
        if (nibble != 0x8 && nibble != 0x9)
            break;
        out.kind = Kind::Bool;
        out.boolValue = nibble == 0x9;
        return true;
    case 0x1:
        if (nibble > 4)
            break;
        out.kind = Kind::Integer;
        out.width = quint8(1 << nibble);
        if (!fits(pos, out.width, 1))
            return refuse(QStringLiteral("object %1 extends past the object table").arg(index));
        out.payload = pos;
        return true;
    case 0x2:
    case 0x3:
        if (marker != 0x22 && marker != 0x23 && marker != 0x33)
            break;
        out.kind = marker == 0x33 ? Kind::Date : Kind::Real;
        out.width = marker == 0x22 ? 4 : 8;
        if (!fits(pos, out.width, 1))
            return refuse(QStringLiteral("object %1 extends past the object table").arg(index));
        out.payload = pos;
        return true;
    case 0x8:
        out.kind = Kind::Uid;
        out.width = quint8(nibble + 1);
        if (!fits(pos, out.width, 1))
            return refuse(QStringLiteral("object %1 extends past the object table").arg(index));
        out.payload = pos;
        if (out.width > 4) {
            // Apple's reader refuses UIDs above 32 bits; the extra leading bytes must be zero.
            for (int i = 0; i < out.width - 4; ++i)
                if (m_bytes[pos + i] != 0)
                    return refuse(QStringLiteral("object %1 is a UID out of range").arg(index));
        }
        return true;
    case 0x4:
    case 0x5:
    case 0x6:
    case 0xA:
    case 0xC:
    case 0xD: {
        if (!readCount(pos, nibble, out.count, refuse))
            return false;
        quint64 unit = 1;
        quint64 units = out.count;
        switch (marker >> 4) {
        case 0x4:
            out.kind = Kind::Data;
            break;
        case 0x5:
            out.kind = Kind::AsciiString;
            break;
        case 0x6:
            out.kind = Kind::Utf16String;
            unit = 2;
            break;
        case 0xA:
            out.kind = Kind::Array;
            unit = quint64(m_refSize);
            break;
        case 0xC:
            out.kind = Kind::Set;
            unit = quint64(m_refSize);
            break;
        default:
            out.kind = Kind::Dict;
            unit = quint64(m_refSize);
            if (units > ~quint64(0) / 2)
                return refuse(QStringLiteral("object %1 extends past the object table").arg(index));
            units *= 2;
            break;
        }
        if (!fits(pos, units, unit))
            return refuse(QStringLiteral("object %1 extends past the object table").arg(index));
        out.payload = pos;
        return true;
    }
    default:
        break;
    }
    return refuse(QStringLiteral("object %1 has the unsupported type marker 0x%2")
                      .arg(index)
                      .arg(marker, 2, 16, QLatin1Char('0')));
}

bool BinaryPlistReader::object(quint64 index, Object& out)
{
    return parseObject(index, out, [this](const QString& why) { return fail(why); });
}

bool BinaryPlistReader::peekObject(quint64 index, Object& out) const
{
    return parseObject(index, out, [](const QString&) { return false; });
}

bool BinaryPlistReader::peekReference(const Object& container, quint64 position, quint64& out) const
{
    const quint64 places = container.kind == Kind::Dict ? container.count * 2 : container.count;
    if ((container.kind != Kind::Array && container.kind != Kind::Set &&
         container.kind != Kind::Dict) ||
        position >= places)
        return false;
    out = readUnsigned(container.payload + qsizetype(position) * m_refSize, m_refSize);
    return true;
}

bool BinaryPlistReader::reference(const Object& container, quint64 position, quint64& out)
{
    return peekReference(container, position, out) ||
           fail(QStringLiteral("reference outside its container"));
}

std::optional<quint64> BinaryPlistReader::plainUidAt(const Object& container,
                                                     quint64 position) const
{
    const quint64 places = container.kind == Kind::Dict ? container.count * 2 : container.count;
    if (position >= places || (container.kind != Kind::Array && container.kind != Kind::Set &&
                               container.kind != Kind::Dict))
        return std::nullopt;
    const quint64 ref =
        readUnsigned(container.payload + qsizetype(position) * m_refSize, m_refSize);
    if (ref >= m_objectCount)
        return std::nullopt;
    const quint64 offset =
        readUnsigned(qsizetype(m_tableOffset + ref * m_offsetSize), m_offsetSize);
    if (offset < quint64(kHeaderSize) || offset >= m_tableOffset)
        return std::nullopt;
    const uchar marker = m_bytes[offset];
    const int width = (marker & 0x0F) + 1;
    if ((marker & 0xF0) != 0x80 || width > 4 || offset + 1 + quint64(width) > m_tableOffset)
        return std::nullopt;
    return readUnsigned(qsizetype(offset) + 1, width);
}

BinaryPlistReader::Integer BinaryPlistReader::integer(const Object& o) const
{
    Integer v;
    if (o.width == 16) {
        v.high = readUnsigned(o.payload, 8);
        v.low = readUnsigned(o.payload + 8, 8);
    } else {
        v.low = readUnsigned(o.payload, o.width);
        if (o.width == 8 && (v.low >> 63))
            v.high = ~quint64(0);
    }
    return v;
}

double BinaryPlistReader::real(const Object& o) const
{
    const quint64 bits = readUnsigned(o.payload, o.width);
    if (o.width == 4) {
        const quint32 b32 = quint32(bits);
        float f;
        std::memcpy(&f, &b32, sizeof f);
        return f;
    }
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

quint64 BinaryPlistReader::uid(const Object& o) const
{
    return o.width > 4 ? readUnsigned(o.payload + o.width - 4, 4)
                       : readUnsigned(o.payload, o.width);
}

QString BinaryPlistReader::string(const Object& o) const
{
    const char* p = m_data.constData() + o.payload;
    if (o.kind == Kind::AsciiString)
        return QString::fromLatin1(p, qsizetype(o.count));
    QString s(qsizetype(o.count), Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(s.data());
    const uchar* b = reinterpret_cast<const uchar*>(p);
    for (quint64 i = 0; i < o.count; ++i)
        d[i] = char16_t((b[2 * i] << 8) | b[2 * i + 1]);
    return s;
}

QByteArray BinaryPlistReader::data(const Object& o) const
{
    return QByteArray(m_data.constData() + o.payload, qsizetype(o.count));
}

bool BinaryPlistReader::stringEquals(const Object& o, std::string_view ascii) const
{
    if (o.count != ascii.size())
        return false;
    const uchar* p = m_bytes + o.payload;
    if (o.kind == Kind::AsciiString)
        return std::memcmp(p, ascii.data(), ascii.size()) == 0;
    if (o.kind != Kind::Utf16String)
        return false;
    for (size_t i = 0; i < ascii.size(); ++i)
        if (p[2 * i] != 0 || p[2 * i + 1] != uchar(ascii[i]))
            return false;
    return true;
}

} // namespace quillory
