#pragma once

#include "core/value.h"

#include <QString>
#include <QUuid>

#include <memory>
#include <utility>
#include <vector>

namespace quillory {

// One folder or file that a run creates: a path template relative to the destination and,
// for files, the four content templates. Entries written by another release that this one
// does not know are kept in `extras` so that saving gives them back unchanged.
struct Prototype
{
    QUuid uuid; // null when the stored Prototype had none
    QString path = QStringLiteral("Untitled");
    bool isFolder = false;
    bool isMulti = false; // YES: One per Record; NO: All in One
    QString head;
    QString text;
    QString separator;
    QString foot;
    std::vector<std::pair<QString, Value>> extras;
};

using PrototypePtr = std::shared_ptr<Prototype>;

// The four content templates of a Prototype.
enum class TemplateKey { Head, Text, Separator, Foot };

// The text of one of a Prototype's content templates.
QString& templateText(Prototype& proto, TemplateKey key);
const QString& templateText(const Prototype& proto, TemplateKey key);

} // namespace quillory
