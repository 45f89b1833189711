#include "tools/qvsim/win32/Session.h"

#include "tools/qvsim/Clock.h"

namespace qvsim {

namespace {

constexpr DWORD LONGEST_WAIT_MS = 60000;

class SocketOutput : public ByteOutput {
public:
    explicit SocketOutput(SOCKET s) : m_socket(s) {}
    size_t Write(const uint8_t* data, size_t size) override {
        if (m_failed) return 0;
        const int n = send(m_socket, reinterpret_cast<const char*>(data), static_cast<int>(size), 0);
        if (n != SOCKET_ERROR) {
            if (static_cast<size_t>(n) < size) m_blocked = true;
            return static_cast<size_t>(n);
        }
        // FD_WRITE comes again once a send has failed this way.
        if (WSAGetLastError() == WSAEWOULDBLOCK) m_blocked = true;
        else m_failed = true;
        return 0;
    }
    bool m_blocked = false;
    bool m_failed = false;

private:
    SOCKET m_socket;
};

DWORD TimeoutMs(int64_t deadline, int64_t now) {
    if (deadline == NO_DEADLINE) return INFINITE;
    if (deadline <= now) return 0;
    const int64_t ms = (deadline - now + 999) / 1000;
    return ms > LONGEST_WAIT_MS ? LONGEST_WAIT_MS : static_cast<DWORD>(ms);
}

}  // namespace

bool WaitForStop(HANDLE stop, DWORD ms) { return WaitForSingleObject(stop, ms) == WAIT_OBJECT_0; }

SessionEnd RunSession(Instrument& instrument, SOCKET socket, HANDLE stop, FrameLog& log) {
    UniqueEvent events;
    if (!events.Valid() ||
        WSAEventSelect(socket, events.Get(), FD_READ | FD_WRITE | FD_CLOSE) == SOCKET_ERROR)
        return SessionEnd::PEER_GONE;
    SocketOutput out(socket);
    char buffer[4096];
    for (;;) {
        const int64_t now = ElapsedMicros();
        instrument.Pump(now, out);
        if (out.m_failed) {
            log.Note(ElapsedMicros(), "write failed");
            return SessionEnd::PEER_GONE;
        }
        if (instrument.WantsClose()) return SessionEnd::LINE_CLOSED;

        HANDLE handles[2] = {events.Get(), stop};
        const DWORD timeout = TimeoutMs(instrument.NextDeadline(out.m_blocked), now);
        const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, timeout);
        if (woke == WAIT_OBJECT_0 + 1) return SessionEnd::STOPPED;
        if (woke == WAIT_TIMEOUT) continue;
        if (woke != WAIT_OBJECT_0) return SessionEnd::PEER_GONE;
        WSANETWORKEVENTS happened{};
        if (WSAEnumNetworkEvents(socket, events.Get(), &happened) == SOCKET_ERROR)
            return SessionEnd::PEER_GONE;
        if (happened.lNetworkEvents & FD_WRITE) out.m_blocked = false;
        // A peer that closed is gone, as on the other platforms: its last
        // bytes, if any, are not answered.
        if (happened.lNetworkEvents & FD_CLOSE) return SessionEnd::PEER_GONE;
        if (happened.lNetworkEvents & FD_READ) {
            // One read per wake-up: FD_READ is signalled again while bytes remain.
            const int n = recv(socket, buffer, sizeof buffer, 0);
            if (n > 0)
                instrument.Receive(reinterpret_cast<const uint8_t*>(buffer), static_cast<size_t>(n),
                                   ElapsedMicros());
            else if (n == 0 || WSAGetLastError() != WSAEWOULDBLOCK)
                return SessionEnd::PEER_GONE;
        }
    }
}

}  // namespace qvsim
