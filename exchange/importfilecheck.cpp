#include "exchange/importfilecheck.h"

#include <QFile>

#include <cstring>

namespace quillory {

namespace {

bool startsWith(QByteArrayView bytes, std::initializer_list<unsigned char> mark)
{
    if (bytes.size() < qsizetype(mark.size()))
        return false;
    return std::equal(mark.begin(), mark.end(), bytes.begin(),
                      [](unsigned char m, char b) { return m == static_cast<unsigned char>(b); });
}

} // namespace

ImportFileCheck::ImportFileCheck(TextEncoding encoding, QString shownFile)
    : m_encoding(encoding), m_shownFile(std::move(shownFile))
{}

bool ImportFileCheck::wideText() const
{
    switch (m_encoding) {
    case TextEncoding::Utf16:
    case TextEncoding::Utf16BigEndian:
    case TextEncoding::Utf16LittleEndian:
    case TextEncoding::Utf32:
    case TextEncoding::Utf32BigEndian:
    case TextEncoding::Utf32LittleEndian:
        return true;
    case TextEncoding::Automatic:
        // Detection takes UTF-16 and UTF-32 only by their mark.
        return startsWith(m_head, {0xFF, 0xFE}) || startsWith(m_head, {0xFE, 0xFF}) ||
               startsWith(m_head, {0x00, 0x00, 0xFE, 0xFF});
    default:
        return false;
    }
}

std::optional<QString> ImportFileCheck::feed(QByteArrayView part)
{
    m_seen += part.size();
    if (m_seen > kMaxBytes)
        return tooLargeMessage();
    const bool firstBytes = m_head.size() < 4;
    if (firstBytes)
        m_head.append(part.first(std::min<qsizetype>(part.size(), 4 - m_head.size())));
    // A mark is told from its absence by the first four bytes; until then they are kept.
    if (m_head.size() < 4 && m_encoding == TextEncoding::Automatic)
        return std::nullopt;
    if (firstBytes && !wideText() && m_head.contains('\0'))
        return nulBytesMessage();
    if (!wideText() && !part.isEmpty() && std::memchr(part.data(), 0, size_t(part.size())))
        return nulBytesMessage();
    return std::nullopt;
}

std::optional<QString> ImportFileCheck::finish()
{
    if (m_head.size() < 4 && !wideText() && m_head.contains('\0'))
        return nulBytesMessage();
    return std::nullopt;
}

QString ImportFileCheck::tooLargeMessage() const
{
    return QStringLiteral("%1 is larger than %2 MiB, more than an import can hold")
        .arg(m_shownFile)
        .arg(kMaxBytes >> 20);
}

QString ImportFileCheck::nulBytesMessage() const
{
    return QStringLiteral("%1 holds NUL bytes: it is not a text file (for UTF-16 or UTF-32 text "
                          "without a byte-order mark, name its encoding)")
        .arg(m_shownFile);
}

std::optional<QString> ImportFileCheck::problem(QByteArrayView bytes, TextEncoding encoding,
                                                const QString& shownFile)
{
    ImportFileCheck check(encoding, shownFile);
    if (std::optional<QString> message = check.feed(bytes))
        return message;
    return check.finish();
}

std::optional<QString> ImportFileCheck::problemWithFile(const QString& path, TextEncoding encoding,
                                                        const QString& shownFile)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.size())
        return std::nullopt;
    // The size first: a sparse file of many gigabytes is refused without a look at its bytes.
    if (file.size() > kMaxBytes)
        return ImportFileCheck(encoding, shownFile).tooLargeMessage();
    uchar* mapped = file.map(0, file.size());
    if (!mapped)
        return std::nullopt;
    std::optional<QString> message = problem(
        QByteArrayView(reinterpret_cast<const char*>(mapped), file.size()), encoding, shownFile);
    file.unmap(mapped);
    return message;
}

} // namespace quillory
