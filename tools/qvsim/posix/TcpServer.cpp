// TCP over BSD sockets: one listening socket, one connection at a time.
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include "comm/posix/OwnedFd.h"
#include "tools/qvsim/Clock.h"
#include "tools/qvsim/Serve.h"
#include "tools/qvsim/posix/Session.h"
#include "tools/qvsim/posix/StopSignal.h"

namespace qvsim {

namespace {

constexpr int ACCEPT_RETRY_MS = 100;  // after a failing accept (out of descriptors, say)

int Fail(const char* what) {
    std::fprintf(stderr, "qvsim: %s: %s\n", what, std::strerror(errno));
    return 1;
}

}  // namespace

int ServeTcp(Instrument& instrument, const Options& options, FrameLog& log) {
    StopSignal stop;
    if (!stop.Install()) return 1;
    OwnedFd listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener) return Fail("socket");
    const int yes = 1;
    setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    std::memcpy(&address.sin_addr, options.listenAddress, 4);
    address.sin_port = htons(options.listenPort);
    if (bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return Fail("bind");
    if (listen(listener.get(), 4) != 0) return Fail("listen");
    socklen_t length = sizeof address;
    getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length);
    char host[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &address.sin_addr, host, sizeof host);
    std::printf("listening on %s:%u\n", host, ntohs(address.sin_port));
    std::fflush(stdout);

    for (;;) {
        pollfd polls[2] = {{listener.get(), POLLIN, 0}, {stop.Fd(), POLLIN, 0}};
        if (poll(polls, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return Fail("poll");
        }
        if (polls[1].revents) return 0;
        if (!(polls[0].revents & POLLIN)) continue;
        sockaddr_in peer{};
        socklen_t peerLength = sizeof peer;
        OwnedFd connection(accept4(listener.get(), reinterpret_cast<sockaddr*>(&peer), &peerLength,
                                    SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!connection) {
            if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED &&
                WaitForStop(stop.Fd(), ACCEPT_RETRY_MS))
                return 0;
            continue;
        }
        // Small frames go out at once, and --split pieces stay pieces.
        setsockopt(connection.get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        char note[64];
        inet_ntop(AF_INET, &peer.sin_addr, host, sizeof host);
        std::snprintf(note, sizeof note, "connection from %s:%u", host, ntohs(peer.sin_port));
        log.Note(ElapsedMicros(), note);
        instrument.Connect(ElapsedMicros());
        const SessionEnd end = RunSession(instrument, connection.get(), true, stop.Fd(), log);
        log.Note(ElapsedMicros(), end == SessionEnd::LINE_CLOSED ? "connection closed by the instrument"
                                                                 : "connection ended");
        if (end == SessionEnd::STOPPED) return 0;
    }
}

}  // namespace qvsim
