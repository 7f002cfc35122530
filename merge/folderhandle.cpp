#include "merge/folderhandle.h"

#include <unistd.h>

namespace quillory {

void FolderHandle::reset(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

} // namespace quillory
