#pragma once

#include <utility>

namespace quillory {

// An open folder that a run creates things relative to, so that what is made lands in that
// folder even if its name is given to something else meanwhile. Closed when it goes.
class FolderHandle
{
public:
    FolderHandle() = default;
    explicit FolderHandle(int fd) : m_fd(fd) {}
    FolderHandle(FolderHandle&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FolderHandle& operator=(FolderHandle&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    ~FolderHandle() { reset(); }

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    void reset(int fd = -1);
    // Gives the descriptor up without closing it.
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
};

} // namespace quillory
