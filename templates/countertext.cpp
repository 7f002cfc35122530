#include "templates/countertext.h"

#include "templates/stringutils.h"

#include <algorithm>

namespace quillory {

QString CounterText::format(qint64 counter, qint64 largestCounter, const CounterFormat& f)
{
    const QString s = QString::number(counter);
    if (!f.useLeading0)
        return s;
    // A forced length below 0 pads nothing, like 0; bounding it also keeps "len - 1" below
    // from overflowing for the most negative setting.
    const qint64 len = f.forceLeading0
                           ? std::clamp(f.forcedTotLen, qint64(0), kMaxForcedTotalLength)
                           : qint64(QString::number(largestCounter).size());
    if (counter >= 0)
        return StringUtils::padWithLeadingZeros(s, len);
    // Zeros in front of the sign would not read as a number.
    return QLatin1Char('-') + StringUtils::padWithLeadingZeros(s.mid(1), len - 1);
}

} // namespace quillory
