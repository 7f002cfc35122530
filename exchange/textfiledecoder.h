#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace quillory {

// Turns the bytes of a file chosen for import into text, with a named encoding or by
// detection, and brings its line ends to LF. Stateless: only static operations.
class TextFileDecoder
{
public:
    // The codes of the import dialog's encoding menu; every other code means automatic.
    enum EncodingCode : int {
        Automatic = 0,
        Utf8 = 1,
        Utf16 = 10,
        Utf16BigEndian = 11,
        Utf16LittleEndian = 12,
        Utf32 = 20,
        Utf32BigEndian = 21,
        Utf32LittleEndian = 22,
        MacOSRoman = 30,
        Ascii = 50,
        // Not in the dialog's menu: offered by the command-line tool for files from other
        // systems, decoded through Qt's converters.
        Windows1252 = 60,
        Iso88591 = 61,
        Iso885915 = 62,
    };

    TextFileDecoder() = delete;

    // The file's text, or none when it can't be read or its bytes are not valid in the named
    // encoding. An empty file gives the empty text.
    static std::optional<QString> autoReadFromFile(const QString& path, int encoding);
    // What autoReadFromFile does with the bytes of a file already read (a pipe, standard
    // input); *decodedAs, when given, receives the code that decoded them.
    static std::optional<QString> decodeFileBytes(QByteArrayView bytes, int encoding,
                                                  int* decodedAs = nullptr);
    // The same decoder for bytes already in memory (automatic detection has no mark step).
    static std::optional<QString> autoReadFromData(QByteArrayView bytes, int encoding);
    // CR LF becomes LF, then every remaining CR becomes LF; returns the same text.
    static QString& replaceStringWithNewline(QString& text);
    static std::optional<QString>& replaceStringWithNewline(std::optional<QString>& text);

    // One encoding, strictly: none for bytes that are not valid in it. A leading byte-order
    // mark is dropped for the Unicode encodings. Codes outside the table give none.
    static std::optional<QString> decodeStrictly(QByteArrayView bytes, int encoding);
    // A byte-order mark selects its encoding; otherwise only valid UTF-8 is accepted.
    static std::optional<QString> decodeDetectingMark(QByteArrayView bytes);
};

} // namespace quillory
