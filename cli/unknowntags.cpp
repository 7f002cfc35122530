#include "cli/unknowntags.h"

#include "cli/clicontext.h"
#include "templates/tagsubstitution.h"

#include <QRegularExpression>

#include <algorithm>

namespace quillory {

namespace {

// Every tag a template may use in this document, longest first so that removing them never
// leaves part of a longer one behind.
QStringList knownTags(const Document& doc)
{
    QStringList tags;
    for (const FieldKey& k : doc.keyArray())
        tags << TagSubstitution::tagFromKey(k.publicKey);
    for (const char* standard : {"<#>", "<YY>", "<Y>", "<M>", "<D>", "<h>", "<m>", "<s>"})
        tags << QString::fromLatin1(standard);
    std::sort(tags.begin(), tags.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return tags;
}

} // namespace

bool checkUnknownTags(CliContext& ctx, const Document& doc, bool strict)
{
    const QStringList known = knownTags(doc);
    static const QRegularExpression tag(QStringLiteral("<[^<>\\n]+>"));
    bool clean = true;
    const auto& prototypes = doc.universalFilePrototypeArray();
    for (size_t i = 0; i < prototypes.size(); ++i) {
        const Prototype& p = *prototypes[i];
        QString text =
            p.path + u'\n' + p.head + u'\n' + p.text + u'\n' + p.separator + u'\n' + p.foot;
        // Known tags go first, so a field name holding "<" or ">" is never half-matched.
        for (const QString& k : known)
            text.replace(k, QStringLiteral("\n"));
        QStringList seen;
        for (const auto& m : tag.globalMatch(text)) {
            const QString unknown = m.captured(0);
            if (seen.contains(unknown))
                continue;
            seen << unknown;
            clean = false;
            const QString where = QStringLiteral("Prototype ") + QString::number(i + 1) +
                                  QStringLiteral(" uses ") + unknown +
                                  QStringLiteral(", which is no field or tag");
            if (strict)
                ctx.fail(ExitUsage, where + QStringLiteral(" (refused by --strict)"));
            else
                ctx.warn(where + QStringLiteral("; it is kept as text"));
        }
    }
    return clean || !strict;
}

} // namespace quillory
