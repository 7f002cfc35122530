#include "cli/unknowntags.h"

#include "cli/clicontext.h"
#include "prototypes/unknowntags.h"

namespace quillory {

bool checkUnknownTags(CliContext& ctx, const Document& doc, bool strict)
{
    const std::vector<UnknownTags::Found> found = UnknownTags::inDocument(doc);
    for (const UnknownTags::Found& f : found) {
        const QString where = QStringLiteral("Prototype ") + QString::number(f.prototypeIndex + 1) +
                              QStringLiteral(" uses ") + f.tag +
                              QStringLiteral(", which is no field or tag");
        if (strict)
            ctx.fail(ExitUsage, where + QStringLiteral(" (refused by --strict)"));
        else
            ctx.warn(where + QStringLiteral("; it is kept as text"));
    }
    return found.empty() || !strict;
}

} // namespace quillory
