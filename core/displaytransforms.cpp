#include "core/displaytransforms.h"

#include "templates/stringutils.h"

namespace quillory {

namespace {

std::optional<int> compared(std::optional<qint64> n, bool (*holds)(qint16, int), int ref)
{
    if (!n)
        return std::nullopt;
    return holds(static_cast<qint16>(*n), ref) ? 1 : 0;
}

} // namespace

int DisplayTransforms::oneIfSeveral(std::optional<qsizetype> count)
{
    return count && *count > 1 ? 1 : 0;
}

std::optional<int> DisplayTransforms::equalsRef(std::optional<qint64> n, int ref)
{
    return compared(
        n, [](qint16 v, int r) { return v == r; }, ref);
}

std::optional<int> DisplayTransforms::notEqualToRef(std::optional<qint64> n, int ref)
{
    return compared(
        n, [](qint16 v, int r) { return v != r; }, ref);
}

std::optional<int> DisplayTransforms::greaterThanRef(std::optional<qint64> n, int ref)
{
    return compared(
        n, [](qint16 v, int r) { return v > r; }, ref);
}

std::optional<int> DisplayTransforms::smallerThanRef(std::optional<qint64> n, int ref)
{
    return compared(
        n, [](qint16 v, int r) { return v < r; }, ref);
}

std::optional<float> DisplayTransforms::multipliedBy(std::optional<double> n, double m)
{
    if (!n)
        return std::nullopt;
    return static_cast<float>(*n) * static_cast<float>(m);
}

std::optional<int> DisplayTransforms::heightForFontSize(std::optional<double> size)
{
    if (!size)
        return std::nullopt;
    return static_cast<int>(static_cast<float>(*size) * 1.4f + 2.0f);
}

bool DisplayTransforms::isEmptyTrimmed(const std::optional<QString>& text)
{
    return !text || StringUtils::trimLateralSpace(*text).isEmpty();
}

} // namespace quillory
