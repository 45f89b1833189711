#include "tools/qvlog/Platform.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

bool ResolveHost(const std::string& host, uint32_t& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
    address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(found);
    return true;
}

bool ParseSerialName(const std::string& name, int& comPort, std::string& devicePath) {
    if (name.empty() || name[0] != '/') return false;
    comPort = -1;
    devicePath = name;
    return true;
}

std::error_code TryCreateFile(const std::filesystem::path& file) {
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return std::error_code(errno, std::generic_category());
    close(fd);
    unlink(file.c_str());
    return std::error_code();
}

Language UserInterfaceLanguage() { return Language::ENGLISH; }
