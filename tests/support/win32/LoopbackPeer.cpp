#include "tests/support/LoopbackPeer.h"

#include <winsock2.h>

namespace {

SOCKET AsSocket(intptr_t value) { return static_cast<SOCKET>(value); }

bool Readable(SOCKET s, int timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &limit) > 0;
}

}  // namespace

LoopbackPeer::LoopbackPeer() {
    WSADATA data;
    m_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

LoopbackPeer::~LoopbackPeer() {
    CloseConnection();
    CloseListener();
    if (m_started) WSACleanup();
}

bool LoopbackPeer::Listen() {
    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return false;
    m_listener = static_cast<intptr_t>(s);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(LOOPBACK);
    int size = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 4) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    return true;
}

bool LoopbackPeer::Accept(int timeoutMs) {
    if (m_listener == -1 || !Readable(AsSocket(m_listener), timeoutMs)) return false;
    CloseConnection();
    const SOCKET s = accept(AsSocket(m_listener), nullptr, nullptr);
    if (s == INVALID_SOCKET) return false;
    m_connection = static_cast<intptr_t>(s);
    return true;
}

bool LoopbackPeer::Send(const uint8_t* data, size_t size) {
    size_t sent = 0;
    while (sent < size) {
        const int n = send(AsSocket(m_connection), reinterpret_cast<const char*>(data) + sent,
                           static_cast<int>(size - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

size_t LoopbackPeer::Receive(uint8_t* data, size_t size, int timeoutMs) {
    size_t got = 0;
    while (got < size && Readable(AsSocket(m_connection), timeoutMs)) {
        const int n = recv(AsSocket(m_connection), reinterpret_cast<char*>(data) + got,
                           static_cast<int>(size - got), 0);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got;
}

void LoopbackPeer::CloseConnection() {
    if (m_connection != -1) closesocket(AsSocket(m_connection));
    m_connection = -1;
}

void LoopbackPeer::CloseListener() {
    if (m_listener != -1) closesocket(AsSocket(m_listener));
    m_listener = -1;
}

bool SendsAtOnce(intptr_t socket) {
    BOOL on = FALSE;
    int size = sizeof on;
    return getsockopt(static_cast<SOCKET>(socket), IPPROTO_TCP, TCP_NODELAY,
                      reinterpret_cast<char*>(&on), &size) == 0 && on != FALSE;
}
