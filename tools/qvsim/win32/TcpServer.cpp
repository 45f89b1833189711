// TCP over Winsock: one listening socket, one connection at a time.
#include <cstdio>
#include <winsock2.h>
#include <ws2tcpip.h>

#include "tools/qvsim/Clock.h"
#include "tools/qvsim/Serve.h"
#include "tools/qvsim/win32/Session.h"
#include "tools/qvsim/win32/StopSignal.h"

namespace qvsim {

namespace {

constexpr DWORD ACCEPT_RETRY_MS = 100;  // after a failing accept

int Fail(const char* what) {
    std::fprintf(stderr, "qvsim: %s failed (error %d)\n", what, WSAGetLastError());
    return 1;
}

class WinsockSession {
public:
    WinsockSession() { m_ok = WSAStartup(MAKEWORD(2, 2), &m_data) == 0; }
    ~WinsockSession() {
        if (m_ok) WSACleanup();
    }
    bool Ok() const { return m_ok; }

private:
    WSADATA m_data{};
    bool m_ok;
};

}  // namespace

int ServeTcp(Instrument& instrument, const Options& options, FrameLog& log) {
    WinsockSession winsock;
    if (!winsock.Ok()) return Fail("WSAStartup");
    StopSignal stop;
    if (!stop.Install()) return 1;
    UniqueSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!listener.Valid()) return Fail("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    memcpy(&address.sin_addr, options.listenAddress, 4);
    address.sin_port = htons(options.listenPort);
    if (bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return Fail("bind");
    if (listen(listener.Get(), 4) != 0) return Fail("listen");
    int length = sizeof address;
    getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &length);
    const uint8_t* a = reinterpret_cast<const uint8_t*>(&address.sin_addr);
    std::printf("listening on %u.%u.%u.%u:%u\n", a[0], a[1], a[2], a[3], ntohs(address.sin_port));
    std::fflush(stdout);

    UniqueEvent acceptable;
    if (!acceptable.Valid() || WSAEventSelect(listener.Get(), acceptable.Get(), FD_ACCEPT) != 0)
        return Fail("WSAEventSelect");
    for (;;) {
        HANDLE handles[2] = {acceptable.Get(), stop.Event()};
        const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (woke == WAIT_OBJECT_0 + 1) return 0;
        if (woke != WAIT_OBJECT_0) return Fail("WaitForMultipleObjects");
        WSANETWORKEVENTS happened{};
        WSAEnumNetworkEvents(listener.Get(), acceptable.Get(), &happened);
        sockaddr_in peer{};
        int peerLength = sizeof peer;
        UniqueSocket connection(accept(listener.Get(), reinterpret_cast<sockaddr*>(&peer), &peerLength));
        if (!connection.Valid()) {
            if (WSAGetLastError() != WSAEWOULDBLOCK && WaitForStop(stop.Event(), ACCEPT_RETRY_MS))
                return 0;
            continue;
        }
        // Small frames go out at once, and --split pieces stay pieces.
        const BOOL yes = TRUE;
        setsockopt(connection.Get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes),
                   sizeof yes);
        char note[64];
        const uint8_t* p = reinterpret_cast<const uint8_t*>(&peer.sin_addr);
        std::snprintf(note, sizeof note, "connection from %u.%u.%u.%u:%u", p[0], p[1], p[2], p[3],
                      ntohs(peer.sin_port));
        log.Note(ElapsedMicros(), note);
        instrument.Connect(ElapsedMicros());
        const SessionEnd end = RunSession(instrument, connection.Get(), stop.Event(), log);
        log.Note(ElapsedMicros(), end == SessionEnd::LINE_CLOSED ? "connection closed by the instrument"
                                                                 : "connection ended");
        if (end == SessionEnd::STOPPED) return 0;
    }
}

}  // namespace qvsim
