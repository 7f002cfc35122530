#pragma once

#include "core/release.h"

#include <QString>

namespace quillory {

// Who and what the running program is: its name, maker, release number and the forms of
// them that the user sees.
class ReleaseInfo
{
public:
    static constexpr qint64 kReleaseNumber = Release::kNumber;

    static QString appName();
    // "org.quillory.Quillory": the launcher's name, the icon's and the single instance's.
    static QString applicationId();
    static QString vendorName();
    // The terms it comes under, as the package's copyright file states them.
    static QString licence();
    // The one-line statement of what the program does (About box).
    static QString statement();
    // "Quillory User Guide": the file name, without extension, of the user guide.
    static QString userGuideName();
    // The dotted form of kReleaseNumber.
    static QString releaseString();

    // The dotted form of a release number: 20304 gives "2.3.4", 20300 "2.3", 2304 "2.3.04";
    // numbers of fewer than four digits give "".
    static QString dottedRelease(qint64 number);
};

} // namespace quillory
