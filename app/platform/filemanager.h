#pragma once

#include <QString>

namespace quillory {

// Shows a file or folder in the desktop's file manager, selected in its parent folder where the
// file manager offers that (the freedesktop FileManager1 service), otherwise by opening the
// parent folder. Returns at once; the file manager comes up on its own time.
void showInFileManager(const QString& path);

} // namespace quillory
