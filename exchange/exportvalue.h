#pragma once

#include "core/value.h"

#include <QLocale>
#include <QString>
#include <QStringView>

namespace quillory {

// Turns one record value into the text an export writes, and cleans it for the format.
class ExportValue
{
public:
    // A text as it is; integers and reals in decimal (reals in their shortest exact form,
    // never with an exponent); booleans as "1" or "0"; a date as the short date of its day in
    // the local time zone, written by locale; none and any other kind of value as "".
    static QString text(const Value& value, const QLocale& locale);

    // Whether clean() would change anything: a quick scan so that clean values are appended
    // as they are, without a copy.
    static bool needsCleaning(int format, QStringView text);

    // The literal replacements of the format, in order, each over the whole text once: tabs
    // and line ends (and, in plain CSV, commas) become spaces, merging with a space beside
    // them. Formats other than 1, 2 and 5 are not cleaned.
    static QString clean(int format, QString text);
};

} // namespace quillory
