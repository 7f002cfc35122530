#pragma once

#include "core/value.h"
#include "exchange/exportlayout.h"

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

    // The value as the file holds it: cleaned, then escaped.
    static QString written(ExportFormat format, QString text);
    // Whether written() would change anything: a quick scan so that most values are appended
    // as they are, without a copy.
    static bool changesWhenWritten(ExportFormat format, QStringView text);

    // The literal replacements of the format, in order, each over the whole text once: tabs
    // and line ends (and, in plain CSV, commas) become spaces, merging with a space beside
    // them. Only the tab-separated and the CSV formats are cleaned.
    static QString clean(ExportFormat format, QString text);
    // What the reader of the format needs escaped: in quoted CSV (comma- or semicolon-
    // separated) a double quote is doubled, so
    // that it cannot end the field; in the HTML formats "&", "<" and ">" become entities, so
    // that a value shows as text and never as markup. Other formats are written raw: their
    // layout texts are the user's.
    static QString escape(ExportFormat format, QString text);
};

} // namespace quillory
