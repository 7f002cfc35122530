#include "cli/suggestion.h"

#include <algorithm>
#include <vector>

namespace quillory {

namespace {

// Edits between a and b, a swap of two neighbours counting as one ("rnu" is one from "run").
qsizetype editDistance(const QString& a, const QString& b)
{
    const qsizetype w = b.size() + 1;
    std::vector<qsizetype> d(size_t((a.size() + 1) * w));
    const auto at = [&](qsizetype i, qsizetype j) -> qsizetype& { return d[size_t(i * w + j)]; };
    const auto same = [&](qsizetype i, qsizetype j) {
        return a[i].toCaseFolded() == b[j].toCaseFolded();
    };
    for (qsizetype i = 0; i <= a.size(); ++i)
        at(i, 0) = i;
    for (qsizetype j = 0; j <= b.size(); ++j)
        at(0, j) = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        for (qsizetype j = 1; j <= b.size(); ++j) {
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1,
                                 at(i - 1, j - 1) + (same(i - 1, j - 1) ? 0 : 1)});
            if (i > 1 && j > 1 && same(i - 1, j - 2) && same(i - 2, j - 1))
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
        }
    }
    return at(a.size(), b.size());
}

} // namespace

std::optional<QString> closestMatch(const QString& typed, const QStringList& candidates)
{
    if (typed.isEmpty())
        return std::nullopt;
    // A beginning of two letters or more names what it begins, when only one begins so.
    QStringList begun;
    for (const QString& c : candidates)
        if (typed.size() >= 2 && c.startsWith(typed, Qt::CaseInsensitive))
            begun << c;
    if (begun.size() == 1)
        return begun.front();
    const qsizetype allowed = std::max<qsizetype>(1, std::min<qsizetype>(3, typed.size() / 3));
    std::optional<QString> best;
    qsizetype bestDistance = allowed + 1;
    for (const QString& c : candidates) {
        const qsizetype d = editDistance(typed, c);
        if (d < bestDistance) {
            best = c;
            bestDistance = d;
        }
    }
    return best;
}

QString didYouMean(const QString& typed, const QStringList& candidates)
{
    const std::optional<QString> match = closestMatch(typed, candidates);
    return match ? QStringLiteral(" (did you mean '") + *match + QStringLiteral("'?)") : QString();
}

} // namespace quillory
