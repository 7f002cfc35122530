#pragma once

#include <QString>

namespace quillory {

// Who and what the running program is: its name, maker, release number and the forms of
// them that the user sees.
class ReleaseInfo
{
public:
    // Release numbers count as major * 10000 + minor * 100 + patch.
    static constexpr qint64 kReleaseNumber = 10102;

    static QString appName();
    static QString vendorName();
    // The one-line statement of what the program does (About box).
    static QString statement();
    // "Quillory User Guide": the file name, without extension, of the user guide.
    static QString userGuideName();
    // The dotted form of kReleaseNumber.
    static QString releaseString();

    // The dotted form of a release number: 10102 gives "1.1.2", 10200 "1.2", 1102 "1.1.02";
    // numbers of fewer than four digits give "".
    static QString dottedRelease(qint64 number);
};

} // namespace quillory
