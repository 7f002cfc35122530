#pragma once

#include <QString>

#include <optional>

namespace quillory {

// The small value-to-display rules of the window (enabling, hiding, sizes), as pure
// functions. Where an input number is compared with a reference, the input is read as a signed
// 16-bit number, as the stored flags and counts always fit one. None in, none out, unless said.
class DisplayTransforms
{
public:
    // YES when the number is not 0 / is 0.
    static bool isNonZero(qint64 n) { return n != 0; }
    static bool isZero(qint64 n) { return n == 0; }
    // 1 when a list has more than one element, else 0.
    static int oneIfSeveral(std::optional<qsizetype> count);
    // 1 or 0 for the comparison of the input with ref.
    static std::optional<int> equalsRef(std::optional<qint64> n, int ref);
    static std::optional<int> notEqualToRef(std::optional<qint64> n, int ref);
    static std::optional<int> greaterThanRef(std::optional<qint64> n, int ref);
    static std::optional<int> smallerThanRef(std::optional<qint64> n, int ref);
    // The input times m, in single precision.
    static std::optional<float> multipliedBy(std::optional<double> n, double m);
    // The row height for a font size: size × 1.4 + 2, in single precision, truncated.
    static std::optional<int> heightForFontSize(std::optional<double> size);
    // Whether anything but U+0020 spaces is left (none counts as empty).
    static bool isEmptyTrimmed(const std::optional<QString>& text);
    static bool isFilledTrimmed(const std::optional<QString>& text)
    {
        return !isEmptyTrimmed(text);
    }
};

} // namespace quillory
