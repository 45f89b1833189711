// TCP serving over BSD sockets, with the stop signal as a descriptor that
// every wait includes.
#include "tools/qvsim/TcpPlatform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>

#include "comm/posix/OwnedFd.h"
#include "tools/qvsim/posix/Session.h"
#include "tools/qvsim/posix/StopSignal.h"

namespace qvsim {

namespace {

void Complain(const char* what) { std::fprintf(stderr, "qvsim: %s: %s\n", what, std::strerror(errno)); }

bool Failed(const char* what, std::string& failure) {
    failure = std::string(what) + ": " + std::strerror(errno);
    return false;
}

}  // namespace

struct TcpStack::State {
    StopSignal stop;
};

TcpStack::TcpStack() : m_state(new State) {}
TcpStack::~TcpStack() = default;

bool TcpStack::Start() { return m_state->stop.Install(); }

bool TcpStack::WaitForStop(int ms) const { return qvsim::WaitForStop(m_state->stop.Fd(), ms); }

void TcpStack::Stop() { m_state->stop.Raise(); }

struct TcpListener::State {
    std::optional<OwnedFd> listener;
    std::optional<OwnedFd> connection;
    uint16_t port = 0;
};

TcpListener::TcpListener(const TcpStack& stack) : m_stack(stack), m_state(new State) {}
TcpListener::~TcpListener() = default;

bool TcpListener::Open(const uint8_t address[4], uint16_t port, std::string& failure) {
    const int fd = m_state->listener.emplace(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)).get();
    if (fd < 0) return Failed("socket", failure);
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    std::memcpy(&bound.sin_addr, address, 4);
    bound.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0) return Failed("bind", failure);
    if (listen(fd, 4) != 0) return Failed("listen", failure);
    socklen_t length = sizeof bound;
    getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    m_state->port = ntohs(bound.sin_port);
    return true;
}

uint16_t TcpListener::Port() const { return m_state->port; }

TcpListener::Wake TcpListener::WaitForPeer() {
    for (;;) {
        pollfd polls[2] = {{m_state->listener->get(), POLLIN, 0}, {m_stack.m_state->stop.Fd(), POLLIN, 0}};
        if (poll(polls, 2, -1) < 0) {
            if (errno == EINTR) continue;
            Complain("poll");
            return Wake::FAILED;
        }
        if (polls[1].revents) return Wake::STOPPED;
        if (polls[0].revents & POLLIN) return Wake::PEER_WAITING;
    }
}

TcpListener::Accepted TcpListener::Accept(PeerAddress& peer) {
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const int fd = m_state->connection
                       .emplace(accept4(m_state->listener->get(), reinterpret_cast<sockaddr*>(&from), &length,
                                        SOCK_NONBLOCK | SOCK_CLOEXEC))
                       .get();
    if (fd < 0) {
        const int cause = errno;
        m_state->connection.reset();
        return cause == EAGAIN || cause == EINTR || cause == ECONNABORTED ? Accepted::AGAIN : Accepted::FAILED;
    }
    // Small frames go out at once, and --split pieces stay pieces.
    const int yes = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    std::memcpy(peer.address, &from.sin_addr, 4);
    peer.port = ntohs(from.sin_port);
    return Accepted::CONNECTION;
}

SessionEnd TcpListener::Serve(Instrument& instrument, FrameLog& log) {
    const SessionEnd end = RunSession(instrument, m_state->connection->get(), true, m_stack.m_state->stop.Fd(), log);
    m_state->connection.reset();
    return end;
}

}  // namespace qvsim
