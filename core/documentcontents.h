#pragma once

#include "core/fieldkey.h"
#include "core/prototype.h"
#include "core/record.h"
#include "core/value.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace quillory {

// Everything a document file holds: what a read hands to the document in one piece.
struct DocumentContents
{
    std::vector<FieldKey> keys;
    std::vector<Record> records;
    bool destinationDefined = false;
    std::optional<QByteArray> bookmark;
    std::vector<PrototypePtr> prototypes;
    QString mainTabId;
    QString secTabId;
    // Root entries this release does not know; written back unchanged.
    std::vector<std::pair<QString, Value>> unknownEntries;
};

} // namespace quillory
