// Decoding an import file with every encoding code and parsing it with every format (the
// three splitters and the guess): never a crash, and the rows slice the decoded text.
#include "exchange/importsession.h"
#include "exchange/textfiledecoder.h"
#include "fuzzinput.h"

#include <algorithm>
#include <cstdlib>

using namespace quillory;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::FuzzInput in(data, size);
    static const int encodings[] = {TextFileDecoder::Automatic,
                                    TextFileDecoder::Utf8,
                                    TextFileDecoder::Utf16,
                                    TextFileDecoder::Utf16BigEndian,
                                    TextFileDecoder::Utf16LittleEndian,
                                    TextFileDecoder::Utf32,
                                    TextFileDecoder::Utf32BigEndian,
                                    TextFileDecoder::Utf32LittleEndian,
                                    TextFileDecoder::MacOSRoman,
                                    TextFileDecoder::Ascii,
                                    77};
    const quint8 choice = in.byte();
    const int encoding = encodings[choice % std::size(encodings)];
    // Formats 0 (guess) to 3, and one outside them.
    const int format = (choice / std::size(encodings)) % 5;
    const QByteArray bytes = in.rest();

    std::optional<QString> text = TextFileDecoder::autoReadFromData(bytes, encoding);
    if (text) {
        TextFileDecoder::replaceStringWithNewline(text);
        if (text->contains(u'\r'))
            std::abort(); // line ends must all be LF now
    }
    ImportSession session;
    session.loadText(text, format);
    session.prepareMapping();
    const ImportRows& rows = session.importRows();
    const auto within = [](QStringView field, const QString& text) {
        return field.data() >= text.constData() &&
               field.data() + field.size() <= text.constData() + text.size();
    };
    for (qsizetype r = 0; r < rows.rowCount(); ++r)
        for (qsizetype c = 0; c < rows.fieldCount(r); ++c) {
            const QStringView field = rows.element(r, c);
            if (field.isEmpty() || within(field, rows.text()))
                continue;
            // A field with its doubled quotes undone lives in a text of its own.
            if (std::none_of(rows.madeTexts().begin(), rows.madeTexts().end(),
                             [&](const QString& made) { return within(field, made); }))
                std::abort(); // a field outside every text the rows keep
        }
    if (text) {
        ImportSession::guessFileFormat(*text);
        const QStringView all(*text);
        std::vector<QStringView> lines;
        for (const QStringView line : all.split(u'\n'))
            lines.push_back(line);
        if (!lines.empty()) {
            ImportSession::splitCommaRow(lines.front());
            ImportSession::splitSemicolonRow(lines.front());
        }
    }
    return 0;
}
