#include "templates/countertext.h"

#include "templates/kwstringutils.h"

#include <algorithm>

namespace quillory {

QString CounterText::format(qint64 counter, qint64 maxNumInDbField1, const CounterFormat& f)
{
    const QString s = QString::number(counter);
    if (!f.useLeading0)
        return s;
    const qint64 len = f.forceLeading0 ? std::min(f.forcedTotLen, maxForcedTotLen)
                                       : qint64(QString::number(maxNumInDbField1).size());
    if (counter >= 0)
        return KWStringUtils::addLeading0(s, len);
    // Zeros in front of the sign would not read as a number.
    return QLatin1Char('-') + KWStringUtils::addLeading0(s.mid(1), len - 1);
}

} // namespace quillory
