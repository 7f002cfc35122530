#pragma once

#include "core/generateditem.h"
#include "core/prototype.h"
#include "core/record.h"
#include "core/substitutioncontext.h"

#include <optional>
#include <vector>

namespace quillory {

class Document;

// What a run works on, copied from the document when the run starts, so that the document
// may change (on the main thread, while the run goes on in another) without touching it.
struct RunSnapshot
{
    // The resolved destination folder as the platform gives it; the run opens access to it.
    QString accessPath;
    // The same path without a final "/" (P).
    QString destinationPath;
    std::vector<GeneratedItem> items;
    // One per Prototype position; none where the document held no Prototype.
    std::vector<std::optional<Prototype>> prototypes;
    // Copies for the run alone (shared by share), in stored order, without the containers a
    // record may hold: the run reads values as text, and a container reads as none.
    std::vector<Record> records;
    SubstitutionContext context;

    // None when no destination bookmark is stored or it does not resolve.
    static std::optional<RunSnapshot> take(const Document& doc);
    // The same from an already resolved destination path.
    static RunSnapshot take(const Document& doc, const QString& destination);
    // As take, for a document that nothing changes until the run has ended (the command-line
    // tool's): its records are shared, not copied.
    static RunSnapshot share(const Document& doc, const QString& destination);

    // The units of a run's progress: one per record for each One per Record item, one for
    // each All in One item.
    qint64 totalSteps() const;

private:
    static RunSnapshot make(const Document& doc, const QString& destination, bool copyRecords);
};

} // namespace quillory
