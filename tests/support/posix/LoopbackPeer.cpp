#include "tests/support/LoopbackPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool Readable(int fd, int timeoutMs) {
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) > 0;
}

}  // namespace

LoopbackPeer::LoopbackPeer() = default;

LoopbackPeer::~LoopbackPeer() {
    CloseConnection();
    CloseListener();
}

bool LoopbackPeer::Listen() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    m_listener = fd;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 4) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    return true;
}

bool LoopbackPeer::Accept(int timeoutMs) {
    if (m_listener < 0 || !Readable(static_cast<int>(m_listener), timeoutMs)) return false;
    CloseConnection();
    const int fd = accept(static_cast<int>(m_listener), nullptr, nullptr);
    if (fd < 0) return false;
    m_connection = fd;
    return true;
}

bool LoopbackPeer::Send(const uint8_t* data, size_t size) {
    size_t sent = 0;
    while (sent < size) {
        const ssize_t n = send(static_cast<int>(m_connection), data + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

size_t LoopbackPeer::Receive(uint8_t* data, size_t size, int timeoutMs) {
    size_t got = 0;
    while (got < size && Readable(static_cast<int>(m_connection), timeoutMs)) {
        const ssize_t n = recv(static_cast<int>(m_connection), data + got, size - got, 0);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got;
}

void LoopbackPeer::CloseConnection() {
    if (m_connection >= 0) close(static_cast<int>(m_connection));
    m_connection = -1;
}

void LoopbackPeer::CloseListener() {
    if (m_listener >= 0) close(static_cast<int>(m_listener));
    m_listener = -1;
}

bool SendsAtOnce(intptr_t socket) {
    int on = 0;
    socklen_t size = sizeof on;
    return getsockopt(static_cast<int>(socket), IPPROTO_TCP, TCP_NODELAY, &on, &size) == 0 && on != 0;
}
