#include "settings/FileReplace.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "comm/posix/OwnedFd.h"

namespace {

// Names tried for the temporary file; a few stay behind only after crashes.
constexpr int TEMP_NAMES = 16;
// A signal may interrupt a write this often before the write counts as failed.
constexpr int INTERRUPTIONS_MAX = 100;

bool WriteAll(int fd, const char* data, size_t size) {
    int interruptions = 0;
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR && ++interruptions < INTERRUPTIONS_MAX) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

bool WriteFileReplacing(const char* path, const char* data, size_t size) {
    if (path == nullptr || *path == '\0') return false;
    struct stat old {};
    const bool existed = ::stat(path, &old) == 0;

    for (int attempt = 0; attempt < TEMP_NAMES; ++attempt) {
        const std::string temp = std::string(path) + ".~" + std::to_string(attempt);
        OwnedFd file(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!file) {
            if (errno == EEXIST) continue;
            return false;
        }
        // The replacement keeps the old file's permissions; failing to copy
        // them is no reason to lose the new contents.
        if (existed) (void)::fchmod(file.get(), old.st_mode & 07777);
        bool written = WriteAll(file.get(), data, size) && ::fsync(file.get()) == 0;
        // close can still report a write that failed.
        written = ::close(file.release()) == 0 && written;
        if (written && ::rename(temp.c_str(), path) == 0) return true;
        ::unlink(temp.c_str());
        return false;
    }
    return false;
}
