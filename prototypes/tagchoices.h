#pragma once

#include <QStringList>

namespace quillory {

class Document;

// The tags a tag menu offers, in the order offered.
class TagChoices
{
public:
    // The date and time tags, which every template takes.
    static QStringList dateAndTime();
    // The counter's tag and the user fields' tags, for the templates filled once per record.
    static QStringList ofRecord(const Document& doc);
};

} // namespace quillory
