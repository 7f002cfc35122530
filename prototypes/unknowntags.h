#pragma once

#include "core/prototype.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace quillory {

class Document;

// Tags such as "<Nmae>" that match no field and no standard tag. A run keeps them as text, as
// it must; the window and the command-line tool both warn of them from here.
class UnknownTags
{
public:
    struct Found
    {
        qsizetype prototypeIndex; // position in universalFilePrototypeArray
        QString tag;
        bool operator==(const Found&) const = default;
    };

    // Every tag a template of doc may use: its fields' tags and the standard ones, longest
    // first, so that taking them out of a text never leaves part of a longer one behind.
    static QStringList knownTags(const Document& doc);
    // The unknown tags of text, each once, in the order they first occur.
    static QStringList inText(const QStringList& knownTags, const QString& text);
    // The unknown tags of each Prototype (its path and templates), once per tag and Prototype.
    static std::vector<Found> inDocument(const Document& doc);
};

} // namespace quillory
