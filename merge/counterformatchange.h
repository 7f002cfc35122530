#pragma once

#include <QString>

namespace quillory {

class Document;

// What follows a change of the counter-format user defaults while a document is open: its
// counter texts are redrawn, and the example name or preview on show is made again.
class CounterFormatChange
{
public:
    // Whether key is one of "useLeading0ForField1", "forceLeading0ForField1",
    // "forcedTotLenField1".
    static bool concerns(const QString& key);
    static void apply(Document& doc);
};

} // namespace quillory
