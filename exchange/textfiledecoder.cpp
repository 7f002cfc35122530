#include "exchange/textfiledecoder.h"

#include "exchange/macromancodec.h"

#include <QFile>
#include <QStringDecoder>

#include <array>

namespace quillory {

namespace {

enum class Endian { Big, Little };

bool startsWith(QByteArrayView bytes, std::initializer_list<unsigned char> mark)
{
    if (bytes.size() < qsizetype(mark.size()))
        return false;
    qsizetype i = 0;
    for (unsigned char b : mark) {
        if (static_cast<unsigned char>(bytes[i++]) != b)
            return false;
    }
    return true;
}

std::optional<QString> decodeUtf8(QByteArrayView bytes)
{
    // Stateless: a sequence cut off at the end counts as invalid instead of being held back.
    // The default flags drop a leading byte-order mark.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> decodeUtf16(QByteArrayView bytes, Endian endian)
{
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < units; ++i) {
        const unsigned char a = in[2 * i];
        const unsigned char b = in[2 * i + 1];
        out[i] = endian == Endian::Big ? char16_t((a << 8) | b) : char16_t((b << 8) | a);
    }
    // Surrogates must come in high-low pairs; anything else is not UTF-16.
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t c = out[i];
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 >= units || !QChar::isLowSurrogate(out[i + 1]))
                return std::nullopt;
            ++i;
        } else if (QChar::isLowSurrogate(c)) {
            return std::nullopt;
        }
    }
    if (units > 0 && out[0] == 0xFEFF)
        text.remove(0, 1);
    return text;
}

std::optional<QString> decodeUtf32(QByteArrayView bytes, Endian endian)
{
    if (bytes.size() % 4 != 0)
        return std::nullopt;
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype count = bytes.size() / 4;
    QString text;
    text.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const unsigned char* p = in + 4 * i;
        const char32_t c = endian == Endian::Big ? (char32_t(p[0]) << 24) | (char32_t(p[1]) << 16) |
                                                       (char32_t(p[2]) << 8) | char32_t(p[3])
                                                 : (char32_t(p[3]) << 24) | (char32_t(p[2]) << 16) |
                                                       (char32_t(p[1]) << 8) | char32_t(p[0]);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        if (i == 0 && c == 0xFEFF)
            continue;
        if (QChar::requiresSurrogates(c)) {
            text.append(QChar(QChar::highSurrogate(c)));
            text.append(QChar(QChar::lowSurrogate(c)));
        } else {
            text.append(QChar(char16_t(c)));
        }
    }
    return text;
}

std::optional<QString> decodeAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) > 0x7F)
            return std::nullopt;
    }
    return QString::fromLatin1(bytes);
}

// A single-byte encoding that Qt converts through its codec library; none where that is
// missing or the bytes hold something the encoding leaves undefined.
std::optional<QString> decodeNamed(QByteArrayView bytes, const char* name)
{
    QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

Endian markedEndian(QByteArrayView bytes, std::initializer_list<unsigned char> littleMark)
{
    return startsWith(bytes, littleMark) ? Endian::Little : Endian::Big;
}

// The named encodings tried, in order, after the mark step of automatic detection.
constexpr std::array<TextEncoding, 9> kAutomaticOrder = {
    TextEncoding::Utf8,           TextEncoding::MacOSRoman,        TextEncoding::Utf16,
    TextEncoding::Utf16BigEndian, TextEncoding::Utf16LittleEndian, TextEncoding::Utf32,
    TextEncoding::Utf32BigEndian, TextEncoding::Utf32LittleEndian, TextEncoding::Ascii,
};

std::optional<QString> decodeInOrder(QByteArrayView bytes, TextEncoding* decodedAs = nullptr)
{
    for (TextEncoding code : kAutomaticOrder) {
        if (auto text = TextFileDecoder::decodeStrictly(bytes, code)) {
            if (decodedAs)
                *decodedAs = code;
            return text;
        }
    }
    return std::nullopt;
}

// The encoding whose byte-order mark the bytes start with (Utf8 when there is none, since
// then only UTF-8 is tried).
TextEncoding markedEncoding(QByteArrayView bytes)
{
    if (startsWith(bytes, {0xFF, 0xFE, 0x00, 0x00}))
        return decodeUtf32(bytes, Endian::Little) ? TextEncoding::Utf32LittleEndian
                                                  : TextEncoding::Utf16LittleEndian;
    if (startsWith(bytes, {0x00, 0x00, 0xFE, 0xFF}))
        return TextEncoding::Utf32BigEndian;
    if (startsWith(bytes, {0xFE, 0xFF}))
        return TextEncoding::Utf16BigEndian;
    if (startsWith(bytes, {0xFF, 0xFE}))
        return TextEncoding::Utf16LittleEndian;
    return TextEncoding::Utf8;
}

} // namespace

std::optional<QString> TextFileDecoder::decodeStrictly(QByteArrayView bytes, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return decodeUtf8(bytes);
    case TextEncoding::Utf16:
        return decodeUtf16(bytes, markedEndian(bytes, {0xFF, 0xFE}));
    case TextEncoding::Utf16BigEndian:
        return decodeUtf16(bytes, Endian::Big);
    case TextEncoding::Utf16LittleEndian:
        return decodeUtf16(bytes, Endian::Little);
    case TextEncoding::Utf32:
        return decodeUtf32(bytes, markedEndian(bytes, {0xFF, 0xFE, 0x00, 0x00}));
    case TextEncoding::Utf32BigEndian:
        return decodeUtf32(bytes, Endian::Big);
    case TextEncoding::Utf32LittleEndian:
        return decodeUtf32(bytes, Endian::Little);
    case TextEncoding::MacOSRoman:
        return MacRomanCodec::decode(bytes);
    case TextEncoding::Ascii:
        return decodeAscii(bytes);
    case TextEncoding::Windows1252:
        return decodeNamed(bytes, "windows-1252");
    case TextEncoding::Iso88591:
        return QString::fromLatin1(bytes); // every byte is defined
    case TextEncoding::Iso885915:
        return decodeNamed(bytes, "ISO-8859-15");
    case TextEncoding::Automatic:
        break;
    }
    return std::nullopt;
}

std::optional<QString> TextFileDecoder::decodeDetectingMark(QByteArrayView bytes)
{
    if (startsWith(bytes, {0xEF, 0xBB, 0xBF}))
        return decodeUtf8(bytes);
    // The UTF-32 little-endian mark begins with the UTF-16 one: when the bytes are not valid
    // UTF-32 they may still be UTF-16 text whose first character is U+0000.
    if (startsWith(bytes, {0xFF, 0xFE, 0x00, 0x00})) {
        if (auto text = decodeUtf32(bytes, Endian::Little))
            return text;
        return decodeUtf16(bytes, Endian::Little);
    }
    if (startsWith(bytes, {0x00, 0x00, 0xFE, 0xFF}))
        return decodeUtf32(bytes, Endian::Big);
    if (startsWith(bytes, {0xFE, 0xFF}))
        return decodeUtf16(bytes, Endian::Big);
    if (startsWith(bytes, {0xFF, 0xFE}))
        return decodeUtf16(bytes, Endian::Little);
    return decodeUtf8(bytes);
}

std::optional<QString> TextFileDecoder::autoReadFromData(QByteArrayView bytes,
                                                         TextEncoding encoding)
{
    if (encoding != TextEncoding::Automatic)
        return decodeStrictly(bytes, encoding);
    return decodeInOrder(bytes);
}

std::optional<QString> TextFileDecoder::decodeFileBytes(QByteArrayView bytes, TextEncoding encoding,
                                                        TextEncoding* decodedAs)
{
    if (encoding != TextEncoding::Automatic) {
        if (decodedAs)
            *decodedAs = encoding;
        return decodeStrictly(bytes, encoding);
    }
    if (std::optional<QString> text = decodeDetectingMark(bytes)) {
        if (decodedAs)
            *decodedAs = markedEncoding(bytes);
        return text;
    }
    return decodeInOrder(bytes, decodedAs);
}

std::optional<QString> TextFileDecoder::autoReadFromFile(const QString& path, TextEncoding encoding,
                                                         TextEncoding* decodedAs)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Mapping spares a copy of large files; devices that can't be mapped are read instead.
    QByteArray readBytes;
    QByteArrayView bytes;
    const qint64 size = file.size();
    uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
    if (mapped) {
        bytes = QByteArrayView(reinterpret_cast<const char*>(mapped), size);
    } else {
        readBytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return std::nullopt;
        bytes = readBytes;
    }

    std::optional<QString> text = decodeFileBytes(bytes, encoding, decodedAs);
    if (mapped)
        file.unmap(mapped);
    return text;
}

QString TextFileDecoder::macRomanFallbackNotice(const QString& source, const QString& windows1252)
{
    return QStringLiteral("%1 is not UTF-8; it was read as Mac OS Roman. If the text looks wrong, "
                          "try %2")
        .arg(source, windows1252);
}

QString& TextFileDecoder::replaceStringWithNewline(QString& text)
{
    const qsizetype first = text.indexOf(u'\r');
    if (first < 0)
        return text;
    // One pass does both replacements: a CR followed by LF is dropped (the LF stays), any
    // other CR becomes LF. CRs are never created, so this equals the two literal passes.
    QChar* data = text.data();
    const qsizetype n = text.size();
    qsizetype out = first;
    for (qsizetype i = first; i < n; ++i) {
        const QChar c = data[i];
        if (c == u'\r') {
            if (i + 1 < n && data[i + 1] == u'\n')
                continue;
            data[out++] = u'\n';
        } else {
            data[out++] = c;
        }
    }
    text.truncate(out);
    return text;
}

std::optional<QString>& TextFileDecoder::replaceStringWithNewline(std::optional<QString>& text)
{
    if (text)
        replaceStringWithNewline(*text);
    return text;
}

} // namespace quillory
