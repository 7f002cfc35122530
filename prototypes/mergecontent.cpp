#include "prototypes/mergecontent.h"

namespace quillory {

QString MergeContent::oneRecordContent(const SubstitutionContext& ctx, const Prototype& proto,
                                       const Record& record)
{
    return ctx.bothTags(proto.text, record).value_or(QString());
}

QString MergeContent::allInOneContent(const SubstitutionContext& ctx, const Prototype& proto,
                                      const std::vector<Record>& records)
{
    QString out;
    // Parts whose substitution gives none add nothing.
    auto append = [&out](const std::optional<QString>& part) {
        if (part)
            out += *part;
    };
    append(ctx.standardTags(proto.head));
    // Empty templates give none whatever the record: skip their substitution altogether.
    const bool hasSeparator = !proto.separator.isEmpty();
    const bool hasText = !proto.text.isEmpty();
    for (size_t i = 0; i < records.size(); ++i) {
        if (i >= 1 && hasSeparator)
            append(ctx.bothTags(proto.separator, records[i]));
        if (hasText)
            append(ctx.bothTags(proto.text, records[i]));
    }
    append(ctx.standardTags(proto.foot));
    return out;
}

} // namespace quillory
