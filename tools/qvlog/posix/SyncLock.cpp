#include "tools/qvlog/SyncLock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

SyncLock::SyncLock(const std::filesystem::path& folder) {
    const std::string path = (folder / FILE_NAME).string();
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    // Left by another user of a shared folder: a lock needs no writing.
    if (fd < 0 && errno == EACCES) fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        m_error = std::error_code(errno, std::generic_category());
        return;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_busy = errno == EWOULDBLOCK;
        if (!m_busy) m_error = std::error_code(errno, std::generic_category());
        close(fd);
        return;
    }
    m_handle = fd;
}

// The file stays: removing it would let a third sync lock a new file while
// the second still holds the old one.
SyncLock::~SyncLock() {
    if (Held()) close(static_cast<int>(m_handle));
}
