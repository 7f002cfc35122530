#pragma once

#include <QString>

namespace quillory {

// What the import engine needs of whoever asked for an import (the document).
class ImportTarget
{
public:
    virtual ~ImportTarget() = default;
    // Makes a new user field (every record gets "" under it); returns its inner key.
    virtual QString insertField() = 0;
    // Called once after the records were appended.
    virtual void justFinishedImporting() = 0;
};

} // namespace quillory
