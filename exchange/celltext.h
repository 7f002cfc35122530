#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace quillory {

// The text a person reads in a spreadsheet cell, made from the value the workbook stores:
// numbers in their shortest exact decimal form, booleans as TRUE or FALSE, dates and times as
// their number format shows them when it is a common pattern and in ISO 8601 otherwise.
class CellText
{
public:
    // A calendar date and time of day, as a cell's serial number or date value gives it.
    struct DateTime
    {
        int year = 1900;
        int month = 1;
        int day = 1;
        int hour = 0;
        int minute = 0;
        int second = 0;
    };

    // 1.5, 45356, -0.25, 1e+21: the shortest text that reads back as the same number.
    static QString number(double value);
    static QString boolean(bool value)
    {
        return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    }

    // Whether a number format shows a number as a date or a time (it has date or time parts
    // outside quotes and brackets).
    static bool isDateFormat(QStringView formatCode);
    // The number format code of a built-in format id that shows dates or times, or none.
    static std::optional<QString> builtInDateFormat(int formatId);

    // The date and time of a serial day number (days since 1899-12-30, or since 1904-01-01 in
    // workbooks that count from 1904), rounded to the second; none out of the years 1-9999.
    static std::optional<DateTime> fromSerial(double serial, bool from1904);
    // An ISO 8601 date or date-time ("2024-03-05", "2024-03-05T10:30:00"), or none.
    static std::optional<DateTime> fromIso(QStringView text);
    // An ISO 8601 duration of a time of day ("PT10H30M00S"), or none.
    static std::optional<DateTime> fromIsoTime(QStringView text);

    // when as formatCode shows it (dd/mm/yyyy, yyyy-mm-dd, d mmm yyyy, hh:mm and the like);
    // ISO 8601 for any other pattern: the date, the time, or both, as the format has them
    // (without a format, the date and any time of day it has).
    static QString dateTime(const DateTime& when, QStringView formatCode);
};

} // namespace quillory
