// TCP: one listening socket, one connection at a time, until the stop signal.
#include <cstdio>

#include "tools/qvsim/Clock.h"
#include "tools/qvsim/Serve.h"
#include "tools/qvsim/TcpPlatform.h"

namespace qvsim {

namespace {

constexpr int ACCEPT_RETRY_MS = 100;  // after a failing accept (out of descriptors, say)

}  // namespace

int ServeTcp(Instrument& instrument, const Options& options, FrameLog& log) {
    TcpStack stack;
    if (!stack.Start()) return 1;
    TcpListener listener(stack);
    if (!listener.Open(options.listenAddress, options.listenPort)) return 1;
    const uint8_t* a = options.listenAddress;
    std::printf("listening on %u.%u.%u.%u:%u\n", a[0], a[1], a[2], a[3], listener.Port());
    std::fflush(stdout);

    for (;;) {
        switch (listener.WaitForPeer()) {
        case TcpListener::Wake::STOPPED:
            return 0;
        case TcpListener::Wake::FAILED:
            return 1;
        case TcpListener::Wake::PEER_WAITING:
            break;
        }
        PeerAddress peer{};
        const TcpListener::Accepted accepted = listener.Accept(peer);
        if (accepted != TcpListener::Accepted::CONNECTION) {
            // A failing accept fails again at once: pause rather than spin.
            if (accepted == TcpListener::Accepted::FAILED && stack.WaitForStop(ACCEPT_RETRY_MS)) return 0;
            continue;
        }
        char note[64];
        const uint8_t* p = peer.address;
        std::snprintf(note, sizeof note, "connection from %u.%u.%u.%u:%u", p[0], p[1], p[2], p[3], peer.port);
        log.Note(ElapsedMicros(), note);
        instrument.Connect(ElapsedMicros());
        const SessionEnd end = listener.Serve(instrument, log);
        log.Note(ElapsedMicros(), end == SessionEnd::LINE_CLOSED ? "connection closed by the instrument"
                                                                 : "connection ended");
        if (end == SessionEnd::STOPPED) return 0;
    }
}

}  // namespace qvsim
