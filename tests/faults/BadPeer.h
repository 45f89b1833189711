// An instrument that misbehaves on command, for the robustness tests: it
// listens on 127.0.0.1, serves a ScriptedInstrument over each connection it
// accepts, and when told sends for a while what no instrument should:
// frames that announce up to 65535 bytes, data blocks nobody asked for, a
// flood of frames faster than the tool takes them (the tool holds it back),
// or random bytes. Its own thread does the work; Linux sockets
// (tests/faults/posix).
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "tests/support/LoopbackPeer.h"
#include "tests/support/ScriptedInstrument.h"

class BadPeer {
public:
    enum Mode : int { GOOD, OVERSIZED, UNSOLICITED, FLOOD, RANDOM };

    // `catalogue` must outlive the peer.
    explicit BadPeer(qvsim::Catalogue& catalogue);
    // Stops the thread and closes every socket.
    ~BadPeer();
    BadPeer(const BadPeer&) = delete;
    BadPeer& operator=(const BadPeer&) = delete;

    // Listens on a free port and starts the thread; false when it cannot.
    bool Start();
    int Port() const { return m_line.Port(); }
    // Misbehaves in `mode` for `milliseconds` on the connection it has (or
    // the next one), then serves properly again. Returns at once.
    void Misbehave(Mode mode, int milliseconds);
    bool Misbehaving() const { return m_mode.load() != GOOD; }
    // Bytes of misbehaviour the tool took.
    uint64_t BadBytesSent() const { return m_badBytes.load(); }
    // Set before Start; run on the peer's thread.
    ScriptedInstrument::Script fromTool, fromInstrument;

private:
    void Run();

    qvsim::Catalogue& m_catalogue;
    LoopbackPeer m_line;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_mode{GOOD};
    std::atomic<int> m_milliseconds{0};
    std::atomic<uint64_t> m_badBytes{0};
    std::thread m_thread;
};
