#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace quillory {

// The encodings a file chosen for import can be read in; Automatic detects it.
enum class TextEncoding {
    Automatic,
    Utf8,
    Utf16,
    Utf16BigEndian,
    Utf16LittleEndian,
    Utf32,
    Utf32BigEndian,
    Utf32LittleEndian,
    MacOSRoman,
    Ascii,
    // For files from other systems, decoded through Qt's converters.
    Windows1252,
    Iso88591,
    Iso885915,
};

// Turns the bytes of a file chosen for import into text, with a named encoding or by
// detection, and brings its line ends to LF. Stateless: only static operations.
class TextFileDecoder
{
public:
    TextFileDecoder() = delete;

    // The file's text, or none when it can't be read or its bytes are not valid in the named
    // encoding. An empty file gives the empty text.
    // *decodedAs, when given, receives the encoding that decoded them.
    static std::optional<QString> autoReadFromFile(const QString& path, TextEncoding encoding,
                                                   TextEncoding* decodedAs = nullptr);
    // What autoReadFromFile does with the bytes of a file already read (a pipe, standard
    // input); *decodedAs, when given, receives the encoding that decoded them.
    static std::optional<QString> decodeFileBytes(QByteArrayView bytes, TextEncoding encoding,
                                                  TextEncoding* decodedAs = nullptr);
    // The same decoder for bytes already in memory (automatic detection has no mark step).
    static std::optional<QString> autoReadFromData(QByteArrayView bytes, TextEncoding encoding);
    // CR LF becomes LF, then every remaining CR becomes LF; returns the same text.
    static QString& replaceStringWithNewline(QString& text);
    static std::optional<QString>& replaceStringWithNewline(std::optional<QString>& text);

    // One encoding, strictly: none for bytes that are not valid in it. A leading byte-order
    // mark is dropped for the Unicode encodings. Automatic gives none.
    static std::optional<QString> decodeStrictly(QByteArrayView bytes, TextEncoding encoding);
    // A byte-order mark selects its encoding; otherwise only valid UTF-8 is accepted.
    static std::optional<QString> decodeDetectingMark(QByteArrayView bytes);

    // What to tell the user when automatic detection fell back to Mac OS Roman, the last
    // resort for text that is not UTF-8 (most often Windows-1252): source names the file,
    // windows1252 says how to ask for Windows-1252 where the notice is shown.
    static QString macRomanFallbackNotice(const QString& source, const QString& windows1252);
};

} // namespace quillory
