#include "prototypes/mergecontent.h"

namespace quillory {

QString MergeContent::tooLargeMessage()
{
    return QStringLiteral("The text of this item would be larger than %1 MiB: it was not made.")
        .arg((ExpandedText::kMaxLength * qsizetype(sizeof(QChar))) >> 20);
}

Result<QString> MergeContent::checkedOneRecordContent(const SubstitutionContext& ctx,
                                                      const Prototype& proto, const Record& record)
{
    const ExpandedText text = ctx.expandBothTags(proto.text, record);
    if (text.tooLarge)
        return fail(tooLargeMessage());
    return text.text.value_or(QString());
}

Result<QString> MergeContent::checkedAllInOneContent(const SubstitutionContext& ctx,
                                                     const Prototype& proto,
                                                     const std::vector<Record>& records)
{
    QString out;
    // Parts whose substitution gives none add nothing; the file as a whole is bounded too.
    auto append = [&out](const ExpandedText& part) {
        if (part.tooLarge ||
            (part.text && out.size() + part.text->size() > ExpandedText::kMaxLength))
            return false;
        if (part.text)
            out += *part.text;
        return true;
    };
    if (!append(ctx.expandStandardTags(proto.head)))
        return fail(tooLargeMessage());
    // Empty templates give none whatever the record: skip their substitution altogether.
    const bool hasSeparator = !proto.separator.isEmpty();
    const bool hasText = !proto.text.isEmpty();
    for (size_t i = 0; i < records.size(); ++i) {
        if (i >= 1 && hasSeparator && !append(ctx.expandBothTags(proto.separator, records[i])))
            return fail(tooLargeMessage());
        if (hasText && !append(ctx.expandBothTags(proto.text, records[i])))
            return fail(tooLargeMessage());
    }
    if (!append(ctx.expandStandardTags(proto.foot)))
        return fail(tooLargeMessage());
    return out;
}

} // namespace quillory
