#include "templates/countertext.h"

#include "templates/stringutils.h"

#include <algorithm>

namespace quillory {

QString CounterText::format(qint64 counter, qint64 largestCounter, const CounterFormat& f)
{
    const QString s = QString::number(counter);
    if (!f.useLeading0)
        return s;
    const qint64 len = f.forceLeading0 ? std::min(f.forcedTotLen, maxForcedTotLen)
                                       : qint64(QString::number(largestCounter).size());
    if (counter >= 0)
        return StringUtils::padWithLeadingZeros(s, len);
    // Zeros in front of the sign would not read as a number.
    return QLatin1Char('-') + StringUtils::padWithLeadingZeros(s.mid(1), len - 1);
}

} // namespace quillory
