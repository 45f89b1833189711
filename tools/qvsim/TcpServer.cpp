// TCP: for each instrument one listening socket, one connection at a time,
// on a thread of its own, until the stop signal.
#include <algorithm>
#include <cstdio>
#include <system_error>
#include <thread>

#include "tools/qvsim/Clock.h"
#include "tools/qvsim/Serve.h"
#include "tools/qvsim/TcpPlatform.h"

namespace qvsim {

namespace {

constexpr int ACCEPT_RETRY_MS = 100;  // after a failing accept (out of descriptors, say)
constexpr int FREE_RUN_ATTEMPTS = 20;  // free ports tried as the start of a run of ports

// One instrument's connections, one after another, until the stop signal;
// the exit status.
int ServeConnections(TcpListener& listener, Instrument& instrument, FrameLog& log, const TcpStack& stack) {
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

// One listener for each instrument, on consecutive ports. From port 0 the
// first takes a free port and the others the ones after it; when one of
// those is taken, the run starts again from another free port.
bool OpenListeners(const TcpStack& stack, const Options& options, size_t count,
                   std::vector<std::unique_ptr<TcpListener>>& listeners) {
    std::string failure;
    for (int attempt = 0; attempt < FREE_RUN_ATTEMPTS; ++attempt) {
        listeners.clear();
        bool opened = true;
        for (size_t i = 0; i < count && opened; ++i) {
            const uint32_t port = i == 0 ? options.listenPort : listeners[0]->Port() + i;
            listeners.emplace_back(new TcpListener(stack));
            if (port > 65535) {
                failure = "no run of " + std::to_string(count) + " free ports";
                opened = false;
            } else {
                opened = listeners.back()->Open(options.listenAddress, static_cast<uint16_t>(port), failure);
            }
        }
        if (opened) return true;
        if (options.listenPort != 0 || listeners.size() == 1) break;
    }
    std::fprintf(stderr, "qvsim: %s\n", failure.c_str());
    return false;
}

}  // namespace

int ServeTcp(Fleet& fleet, const Options& options) {
    TcpStack stack;
    if (!stack.Start()) return 1;
    std::vector<std::unique_ptr<TcpListener>> listeners;
    if (!OpenListeners(stack, options, fleet.Size(), listeners)) return 1;

    std::vector<int> status(fleet.Size(), 0);
    int startStatus = 0;
    std::vector<std::thread> threads;
    try {
        for (size_t i = 0; i < fleet.Size(); ++i) {
            threads.emplace_back([&, i] {
                status[i] = ServeConnections(*listeners[i], fleet.InstrumentAt(i), fleet.LogAt(i), stack);
                // One instrument failing ends the fleet, so that the failure shows.
                if (status[i] != 0) stack.Stop();
            });
        }
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "qvsim: cannot start a thread for each instrument: %s\n", e.what());
        stack.Stop();
        startStatus = 1;
    }
    // Told once every instrument is served, so a caller may count the threads.
    if (startStatus == 0) {
        const uint8_t* a = options.listenAddress;
        for (const auto& listener : listeners)
            std::printf("listening on %u.%u.%u.%u:%u\n", a[0], a[1], a[2], a[3], listener->Port());
        std::fflush(stdout);
    }
    for (std::thread& thread : threads) thread.join();
    return std::max(startStatus, *std::max_element(status.begin(), status.end()));
}

}  // namespace qvsim
