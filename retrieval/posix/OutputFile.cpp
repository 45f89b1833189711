#include "retrieval/OutputFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

constexpr mode_t NEW_FILE_MODE = 0666;

// Takes the advisory lock every download takes; false when another holds it.
bool Hold(int fd) { return flock(fd, LOCK_EX | LOCK_NB) == 0; }

// Removes what stands at `path` without following it: a link, a file, an
// empty folder.
void RemoveWhatStands(const char* path) {
    if (unlink(path) != 0 && (errno == EISDIR || errno == EPERM)) rmdir(path);
}

std::FILE* AsFile(int fd) {
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) close(fd);
    return file;
}

// The existing ".partial", held and emptied, when it is a regular file of
// its own; -1 otherwise (`inUse` when another download holds it).
int ReuseExisting(const char* path, bool& inUse) {
    // Non-blocking, so a FIFO without a reader cannot stop the dialog.
    const int fd = open(path, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_nlink != 1) {
        close(fd);
        return -1;
    }
    if (!Hold(fd)) {
        inUse = true;
        close(fd);
        return -1;
    }
    if (ftruncate(fd, 0) != 0 || fcntl(fd, F_SETFL, 0) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::FILE* OpenPartialFile(const char* path, PartialOpen* result) {
    *result = PartialOpen::FAILED;
    bool inUse = false;
    int fd = ReuseExisting(path, inUse);
    if (inUse) {
        *result = PartialOpen::IN_USE;
        return nullptr;
    }
    if (fd < 0) {
        RemoveWhatStands(path);
        fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, NEW_FILE_MODE);
        // Made by another download between the two calls; a folder that
        // would not go is no download's.
        struct stat standing {};
        if (fd < 0 && errno == EEXIST && lstat(path, &standing) == 0 && S_ISREG(standing.st_mode))
            *result = PartialOpen::IN_USE;
        if (fd < 0) return nullptr;
        if (!Hold(fd)) {
            close(fd);
            *result = PartialOpen::IN_USE;
            return nullptr;
        }
    }
    std::FILE* file = AsFile(fd);
    if (file != nullptr) *result = PartialOpen::OPENED;
    return file;
}

bool FinalNameReplaceable(const char* path) {
    struct stat status {};
    // Nothing there, or nothing to tell: making the ".partial" will say.
    if (lstat(path, &status) != 0) return true;
    return !S_ISDIR(status.st_mode);
}

bool ReplaceWithFinishedFile(const char* from, const char* to) {
    // POSIX rename replaces the target atomically, open or not.
    return std::rename(from, to) == 0;
}
