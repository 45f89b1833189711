// TCP serving over Winsock, with the stop signal as an event that every
// wait includes.
#include "tools/qvsim/TcpPlatform.h"

#include <cstdio>
#include <cstring>
#include <winsock2.h>
#include <ws2tcpip.h>

#include "tools/qvsim/win32/Session.h"
#include "tools/qvsim/win32/StopSignal.h"

namespace qvsim {

namespace {

void Complain(const char* what) { std::fprintf(stderr, "qvsim: %s failed (error %d)\n", what, WSAGetLastError()); }

bool Failed(const char* what, std::string& failure) {
    failure = std::string(what) + " failed (error " + std::to_string(WSAGetLastError()) + ")";
    return false;
}

class WinsockSession {
public:
    WinsockSession() { m_ok = WSAStartup(MAKEWORD(2, 2), &m_data) == 0; }
    ~WinsockSession() {
        if (m_ok) WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool Ok() const { return m_ok; }

private:
    WSADATA m_data{};
    bool m_ok;
};

}  // namespace

struct TcpStack::State {
    WinsockSession winsock;
    StopSignal stop;
};

TcpStack::TcpStack() : m_state(new State) {}
TcpStack::~TcpStack() = default;

bool TcpStack::Start() {
    if (!m_state->winsock.Ok()) {
        Complain("WSAStartup");
        return false;
    }
    return m_state->stop.Install();
}

bool TcpStack::WaitForStop(int ms) const { return qvsim::WaitForStop(m_state->stop.Event(), static_cast<DWORD>(ms)); }

void TcpStack::Stop() { m_state->stop.Raise(); }

struct TcpListener::State {
    UniqueSocket listener;
    UniqueEvent acceptable;
    UniqueSocket connection;
    uint16_t port = 0;
};

TcpListener::TcpListener(const TcpStack& stack) : m_stack(stack), m_state(new State) {}
TcpListener::~TcpListener() = default;

bool TcpListener::Open(const uint8_t address[4], uint16_t port, std::string& failure) {
    UniqueSocket& listener = m_state->listener;
    listener.Reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!listener.Valid()) return Failed("socket", failure);
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    std::memcpy(&bound.sin_addr, address, 4);
    bound.sin_port = htons(port);
    if (bind(listener.Get(), reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0) return Failed("bind", failure);
    if (listen(listener.Get(), 4) != 0) return Failed("listen", failure);
    int length = sizeof bound;
    getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&bound), &length);
    m_state->port = ntohs(bound.sin_port);
    if (!m_state->acceptable.Valid() ||
        WSAEventSelect(listener.Get(), m_state->acceptable.Get(), FD_ACCEPT) != 0)
        return Failed("WSAEventSelect", failure);
    return true;
}

uint16_t TcpListener::Port() const { return m_state->port; }

TcpListener::Wake TcpListener::WaitForPeer() {
    HANDLE handles[2] = {m_state->acceptable.Get(), m_stack.m_state->stop.Event()};
    const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (woke == WAIT_OBJECT_0 + 1) return Wake::STOPPED;
    if (woke != WAIT_OBJECT_0) {
        Complain("WaitForMultipleObjects");
        return Wake::FAILED;
    }
    // Resets the event, so the next wait sleeps until the next peer.
    WSANETWORKEVENTS happened{};
    WSAEnumNetworkEvents(m_state->listener.Get(), m_state->acceptable.Get(), &happened);
    return Wake::PEER_WAITING;
}

TcpListener::Accepted TcpListener::Accept(PeerAddress& peer) {
    sockaddr_in from{};
    int length = sizeof from;
    UniqueSocket& connection = m_state->connection;
    connection.Reset(accept(m_state->listener.Get(), reinterpret_cast<sockaddr*>(&from), &length));
    if (!connection.Valid()) return WSAGetLastError() == WSAEWOULDBLOCK ? Accepted::AGAIN : Accepted::FAILED;
    // Small frames go out at once, and --split pieces stay pieces.
    const BOOL yes = TRUE;
    setsockopt(connection.Get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
    std::memcpy(peer.address, &from.sin_addr, 4);
    peer.port = ntohs(from.sin_port);
    return Accepted::CONNECTION;
}

SessionEnd TcpListener::Serve(Instrument& instrument, FrameLog& log) {
    const SessionEnd end = RunSession(instrument, m_state->connection.Get(), m_stack.m_state->stop.Event(), log);
    m_state->connection.Reset();
    return end;
}

}  // namespace qvsim
