#pragma once

#include "core/prototype.h"
#include "core/record.h"
#include "core/result.h"
#include "core/substitutioncontext.h"

#include <QString>

#include <vector>

namespace quillory {

// What a run (and the preview) writes into a file, composed from its Prototype's templates.
class MergeContent
{
public:
    // One per Record file: standard(field(text, record)); none reads as "".
    // All in One file: head, then per record (separator from the second on) and text, then
    // foot; parts whose substitution gives none are skipped. Head and foot get no record.
    // Both are refused with tooLargeMessage() where a text (or the whole All in One file)
    // would pass ExpandedText::kMaxLength.
    static Result<QString> checkedOneRecordContent(const SubstitutionContext& ctx,
                                                   const Prototype& proto, const Record& record);
    static Result<QString> checkedAllInOneContent(const SubstitutionContext& ctx,
                                                  const Prototype& proto,
                                                  const std::vector<Record>& records);
    static QString tooLargeMessage();
};

} // namespace quillory
