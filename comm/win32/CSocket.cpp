#include "comm/CSocket.h"

#include <winsock2.h>

#include <chrono>
#include <thread>

namespace {

constexpr int RECEIVE_SIZE = 4096;
// While the ring is full, until the parser's next pass drains it.
constexpr auto FULL_RING_PAUSE = std::chrono::milliseconds(2);

SOCKET AsSocket(intptr_t value) { return static_cast<SOCKET>(value); }

}  // namespace

CSocket::CSocket() {
    // The record is only filled in; nothing in it is needed afterwards.
    WSADATA wsaData;
    m_startupFailed = WSAStartup(0x0002, &wsaData) != 0;
}

CSocket::~CSocket() {
    Close();
    if (!m_startupFailed) WSACleanup();
}

bool CSocket::Open(const void* parameters) {
    if (parameters == nullptr || m_socket != -1) return false;
    const TcpTarget& target = *static_cast<const TcpTarget*>(parameters);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(target.port & 0xFFFF));
    address.sin_addr.s_addr = htonl(target.address);
    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return false;
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return false;
    }
    m_socket = static_cast<intptr_t>(s);
    m_stop = false;
    if (StartReceiveThread()) return true;
    closesocket(s);
    m_socket = -1;
    return false;
}

uint32_t CSocket::ReceiveLoop() {
    const SOCKET s = AsSocket(m_socket);
    char buffer[RECEIVE_SIZE];
    while (!m_stop) {
        // Taking no more than the ring has room for leaves the rest to TCP's
        // own flow control instead of overwriting unread bytes.
        int wanted = static_cast<int>(RingRoom());
        if (wanted == 0) {
            std::this_thread::sleep_for(FULL_RING_PAUSE);
            continue;
        }
        if (wanted > RECEIVE_SIZE) wanted = RECEIVE_SIZE;
        const int got = recv(s, buffer, wanted, 0);
        if (got > 0) {
            AppendToRing(reinterpret_cast<const uint8_t*>(buffer), static_cast<uint32_t>(got));
            continue;
        }
        // The peer closed its side, or Close shut the socket down, or the
        // socket failed: each later recv would return at once, so stop.
        return m_stop ? 0 : 1;
    }
    return 0;
}

int CSocket::Write(const uint8_t* data, int length) {
    if (length <= 0 || m_socket == -1) return 0;
    const SOCKET s = AsSocket(m_socket);
    int sent = 0;
    int last = 0;
    while (sent < length) {
        const int n = send(s, reinterpret_cast<const char*>(data) + sent, length - sent, 0);
        if (n == SOCKET_ERROR) return -1;
        if (n == 0) return 0;
        last = n;
        sent += n;
    }
    return last;
}

void CSocket::Close() {
    m_stop = true;
    if (m_socket != -1) shutdown(AsSocket(m_socket), SD_BOTH);
    JoinReceiveThread();
    if (m_socket != -1) closesocket(AsSocket(m_socket));
    m_socket = -1;
}
