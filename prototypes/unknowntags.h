#pragma once

#include "core/generateditem.h"
#include "core/prototype.h"

#include <QString>
#include <QStringList>

#include <optional>
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

    // Where a tag lies in a text, and whether a run replaces it there.
    struct Span
    {
        qsizetype start = 0;
        qsizetype length = 0;
        bool known = false;
        bool operator==(const Span&) const = default;
    };

    // Every tag a template of doc may use: its fields' tags and the standard ones, longest
    // first, so that taking them out of a text never leaves part of a longer one behind.
    // Without withRecordTags, only the date and time tags: what a head, a foot and an All in
    // One name understand, as they are filled without a record.
    static QStringList knownTags(const Document& doc, bool withRecordTags = true);
    // The tags of text from left to right: a known tag wherever one starts (the longest when
    // several do), and any other "<...>" holding no "<", ">" or line break as unknown.
    static std::vector<Span> spans(const QStringList& knownTags, const QString& text);
    // The unknown tags of text, each once, in the order they first occur.
    static QStringList inText(const QStringList& knownTags, const QString& text);
    // The known tag that an unknown tag most likely misspells: the one it equals but for
    // case, accents and spaces inside the brackets ("<prenom >" for "<Prénom>"). None when no
    // known tag, or more than one, is such.
    static std::optional<QString> likelyMeant(const QStringList& knownTags, const QString& tag);
    // The tags each Prototype's path and the templates its kind fills keep as typed, as
    // inItem tells them: unknown ones, and record tags where no record fills them (an All in
    // One name, head or foot). Once per tag and Prototype.
    static std::vector<Found> inDocument(const Document& doc);
    // The tags that item's name and, for a file, its Prototype's content keep as typed: unknown
    // ones, and record tags in what is filled without a record. Each once, name first, then
    // the templates the Prototype's kind uses.
    static QStringList inItem(const Document& doc, const GeneratedItem& item,
                              const Prototype* proto);
};

} // namespace quillory
