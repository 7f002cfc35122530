#pragma once

#include "merge/mergerun.h"

#include <QJsonObject>
#include <QString>

#include <optional>

namespace quillory {

// Turns the pieces of a run log into events for scripts: one JSON object per folder or file
// created, file skipped and error (with the record number where the log names one).
class RunEvents
{
public:
    // The event a piece completes, if any: a rejection takes two pieces.
    std::optional<QJsonObject> take(const QString& piece);
    static QJsonObject totals(const RunTotals& totals, bool dryRun);

private:
    std::optional<QString> m_rejection;
};

} // namespace quillory
