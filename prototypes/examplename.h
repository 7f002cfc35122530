#pragma once

namespace quillory {

class Document;

// Computes the example names shown under the name fields of the destination tab and above
// the template views of the merge tab.
class ExampleName
{
public:
    // oneNameOfFileExample: the standard substitution of the selected All in One path,
    // prefixed with the destination folder when the full-path flag is on.
    static void recalcOneNameOfFile(Document& doc);
    // multiNameOfFileExample: the field substitution of the selected One per Record path with
    // the selected record, prefixed with the destination when asked, then the standard
    // substitution of the whole.
    static void recalcMultiNameOfFile(Document& doc);
    // mergeNameOfFileExample: the selected generated item's unexpanded path, prefixed with
    // the destination folder when the full-path flag is on.
    static void recalcMergeNameOfFile(Document& doc);

    static void oneNameOfFileExampleUsesFullPathSwitch(Document& doc);
    static void multiNameOfFileExampleUsesFullPathSwitch(Document& doc);
    static void mergeNameOfFileExampleUsesFullPathSwitch(Document& doc);
};

} // namespace quillory
