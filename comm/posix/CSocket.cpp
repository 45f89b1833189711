#include "comm/CSocket.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "comm/SendWhole.h"
#include "comm/posix/OwnedFd.h"

namespace {

constexpr size_t RECEIVE_SIZE = 4096;
// While the ring is full, until the parser's next pass drains it.
constexpr auto FULL_RING_PAUSE = std::chrono::milliseconds(2);
constexpr int GIVE_UP_POLL_MS = 100;

ChannelCause CauseOfConnect(int error) {
    switch (error) {
    case ECONNREFUSED: return ChannelCause::REFUSED;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EADDRNOTAVAIL: return ChannelCause::UNREACHABLE;
    case ETIMEDOUT: return ChannelCause::TIMED_OUT;
    case EACCES:
    case EPERM: return ChannelCause::ACCESS_DENIED;
    default: return ChannelCause::OTHER;
    }
}

// Connects as the system does, its time-out included: 0, or the error. With
// `giveUp` the attempt runs without blocking, so it can be dropped between
// two looks (ECANCELED); the socket blocks again afterwards.
int Connect(int fd, const sockaddr_in& address, bool (*giveUp)()) {
    const sockaddr* to = reinterpret_cast<const sockaddr*>(&address);
    if (giveUp == nullptr) return connect(fd, to, sizeof address) == 0 ? 0 : errno;
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return errno;
    // Interrupted, the attempt goes on in the background as when in progress.
    int error = connect(fd, to, sizeof address) == 0 ? 0 : errno == EINTR ? EINPROGRESS : errno;
    while (error == EINPROGRESS) {
        if (giveUp()) return ECANCELED;
        pollfd watch{fd, POLLOUT, 0};
        const int ready = poll(&watch, 1, GIVE_UP_POLL_MS);
        if (ready < 0 && errno != EINTR) return errno;
        if (ready <= 0) continue;
        socklen_t length = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    }
    if (error == 0 && fcntl(fd, F_SETFL, flags) != 0) error = errno;
    return error;
}

}  // namespace

// No socket library to start here.
CSocket::CSocket() = default;

CSocket::~CSocket() { Close(); }

bool CSocket::Open(const void* parameters) {
    SetOpenCause(ChannelCause::NONE);
    if (parameters == nullptr || m_socket != -1) {
        SetOpenCause(ChannelCause::OTHER);
        return false;
    }
    const TcpTarget& target = *static_cast<const TcpTarget*>(parameters);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(target.port & 0xFFFF));
    address.sin_addr.s_addr = htonl(target.address);
    OwnedFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        SetOpenCause(ChannelCause::OTHER, errno);
        return false;
    }
    const int error = Connect(fd.get(), address, m_giveUp);
    if (error != 0) {
        SetOpenCause(CauseOfConnect(error), error);
        return false;
    }
    // A refusal only brings the waits back: the connection works either way.
    const int atOnce = m_sendAtOnce ? 1 : 0;
    if (atOnce) setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &atOnce, sizeof atOnce);
    m_socket = fd.release();
    m_stop = false;
    if (StartReceiveThread()) return true;
    close(static_cast<int>(m_socket));
    m_socket = -1;
    SetOpenCause(ChannelCause::OTHER);
    return false;
}

uint32_t CSocket::ReceiveLoop() {
    const int fd = static_cast<int>(m_socket);
    uint8_t buffer[RECEIVE_SIZE];
    while (!m_stop) {
        // Taking no more than the ring has room for leaves the rest to TCP's
        // own flow control instead of overwriting unread bytes.
        size_t wanted = RingRoom();
        if (wanted == 0) {
            std::this_thread::sleep_for(FULL_RING_PAUSE);
            continue;
        }
        if (wanted > sizeof buffer) wanted = sizeof buffer;
        const ssize_t got = recv(fd, buffer, wanted, 0);
        if (got > 0) {
            AppendToRing(buffer, static_cast<uint32_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        // The peer closed its side, or Close shut the socket down, or the
        // socket failed: each later recv would return at once, so stop.
        return m_stop ? 0 : 1;
    }
    return 0;
}

int CSocket::Write(const uint8_t* data, int length) {
    if (length <= 0 || m_socket == -1) return 0;
    const int fd = static_cast<int>(m_socket);
    return SendWhole(data, length, [fd](const uint8_t* from, int count) {
        for (;;) {
            // MSG_NOSIGNAL: a connection the peer has closed must fail the
            // send, not kill the process with SIGPIPE.
            const ssize_t n = send(fd, from, static_cast<size_t>(count), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            return n < 0 ? -1 : static_cast<int>(n);
        }
    });
}

void CSocket::Close() {
    m_stop = true;
    if (m_socket != -1) shutdown(static_cast<int>(m_socket), SHUT_RDWR);
    JoinReceiveThread();
    if (m_socket != -1) close(static_cast<int>(m_socket));
    m_socket = -1;
}
