#pragma once

#include "core/document.h"

#include <QString>

#include <vector>

namespace quillory {

// What a run writes into a file, composed from its Prototype's content templates.
class MergeContent {
public:
    // One per Record file: standard(field(text, record)); none reads as "".
    static QString oneRecordContent(const Document& doc, const Prototype& proto,
                                    const Record& record);
    // All in One file: head, then per record (separator from the second on) and text, then
    // foot; parts whose substitution gives none are skipped.
    static QString allInOneContent(const Document& doc, const Prototype& proto,
                                   const std::vector<Record>& records);
};

} // namespace quillory
