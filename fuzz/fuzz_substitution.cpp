// Tag substitution and counter text with any template, tags, values and user defaults: the
// text comes back or is refused as too large, never a crash, a hang or an abort.
#include "core/document.h"
#include "core/userdefaults.h"
#include "fuzzinput.h"
#include "templates/countertext.h"
#include "templates/tagsubstitution.h"

#include <cstdlib>

using namespace quillory;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::FuzzInput in(data, size);
    const QString tmpl = in.text();
    QStringList tags, values;
    for (int n = in.byte() % 32; n > 0; --n) {
        tags << in.text();
        values << in.text();
    }
    const QString counter = in.text();
    const ExpandedText fields = TagSubstitution::expandFieldTags(
        tmpl, tags, [&](qsizetype i) { return values.at(i); }, [&] { return counter; });
    // None is the answer for an empty template; a refused text has no text either.
    if (fields.tooLarge && fields.text)
        std::abort();
    if (!fields.tooLarge && !fields.text && !tmpl.isEmpty())
        std::abort();
    if (fields.text && fields.text->size() > ExpandedText::kMaxLength)
        std::abort();
    const QDateTime now(QDate(2026, 12, 6), QTime(18, 30, 5));
    TagSubstitution::expandStandardTags(fields.text, [&] { return now; });

    // The counter, straight and through user defaults stored as text.
    const qint64 number = in.integer();
    const qint64 largest = in.integer();
    const CounterFormat format{bool(in.byte() & 1), bool(in.byte() & 1), in.integer()};
    const QString text = CounterText::format(number, largest, format);
    if (text.size() > 40)
        std::abort(); // 20 characters of number, at most 20 of padding
    MemoryUserDefaults defaults;
    defaults.setValue(QStringLiteral("useLeading0ForField1"), in.text());
    defaults.setValue(QStringLiteral("forceLeading0ForField1"), in.text());
    defaults.setValue(QStringLiteral("forcedTotLenField1"), in.text());
    Document doc(&defaults);
    if (doc.counterText(number).size() > 40)
        std::abort();
    return 0;
}
