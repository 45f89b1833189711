#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "tools/qvlog/Files.h"

std::error_code TryCreateFile(const std::filesystem::path& file) {
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return std::error_code(errno, std::generic_category());
    close(fd);
    unlink(file.c_str());
    return std::error_code();
}
