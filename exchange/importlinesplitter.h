#pragma once

#include <QChar>
#include <QStringView>

#include <vector>

namespace quillory {

// Cuts one line of an import file into fields, by the rules of the tab format and of the two
// quoted formats (comma and semicolon), without copying any text.
class ImportLineSplitter
{
public:
    // How many fields each splitter would give for one line (0 when the quoted splitters give
    // none); the separator guess only needs these sums.
    struct FieldCounts
    {
        qint64 comma = 0;
        qint64 semicolon = 0;
        qint64 tab = 0;
    };

    // Appends the fields of line cut at sep outside double quotes; a field that begins and ends
    // with a double quote loses that pair. Returns false, appending nothing, for a line that is
    // empty or made of spaces only.
    static bool splitQuoted(QStringView line, QChar sep, std::vector<QStringView>& fields);
    // Appends the pieces of line cut at every TAB (at least one).
    static void splitAtTabs(QStringView line, std::vector<QStringView>& fields);
    static FieldCounts countFields(QStringView line);
    // Empty, or U+0020 only (tabs are not spaces here).
    static bool isBlank(QStringView line);
};

} // namespace quillory
