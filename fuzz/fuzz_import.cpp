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
    static const TextEncoding encodings[] = {TextEncoding::Automatic,
                                             TextEncoding::Utf8,
                                             TextEncoding::Utf16,
                                             TextEncoding::Utf16BigEndian,
                                             TextEncoding::Utf16LittleEndian,
                                             TextEncoding::Utf32,
                                             TextEncoding::Utf32BigEndian,
                                             TextEncoding::Utf32LittleEndian,
                                             TextEncoding::MacOSRoman,
                                             TextEncoding::Ascii,
                                             TextEncoding::Windows1252,
                                             TextEncoding::Iso88591,
                                             TextEncoding::Iso885915};
    static const ImportSession::FileFormat formats[] = {
        ImportSession::FileFormat::Automatic, ImportSession::FileFormat::Tab,
        ImportSession::FileFormat::Comma, ImportSession::FileFormat::Semicolon};
    const quint8 choice = in.byte();
    const TextEncoding encoding = encodings[choice % std::size(encodings)];
    const ImportSession::FileFormat format =
        formats[(choice / std::size(encodings)) % std::size(formats)];
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
