// An instrument that misbehaves on command, for the robustness tests: it
// listens on 127.0.0.1, serves qvsim's protocol engine over each connection
// it accepts, and when told sends for a while what no instrument should:
// frames that announce up to 65535 bytes, data blocks nobody asked for, a
// flood of frames faster than the tool takes them (the tool holds it back),
// or random bytes. Its
// own thread does the work; Linux sockets (tests/faults/posix).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "link/Frame.h"

#include "tools/qvsim/Catalogue.h"

class BadPeer {
public:
    enum Mode : int { GOOD, OVERSIZED, UNSOLICITED, FLOOD, RANDOM };

    // What a script does with one frame the tool sent: bytes to send at once,
    // before the instrument answers; whether the instrument hears the frame;
    // whether to hang up instead.
    struct Step {
        std::vector<uint8_t> inject;
        bool swallow = false;
        bool hangUp = false;
    };
    // Sees every frame the tool sends, counted from 0 over the peer's life.
    using Script = std::function<Step(const FrameImage& fromTool, int index)>;

    // `catalogue` must outlive the peer.
    explicit BadPeer(qvsim::Catalogue& catalogue);
    // Stops the thread and closes every socket.
    ~BadPeer();
    BadPeer(const BadPeer&) = delete;
    BadPeer& operator=(const BadPeer&) = delete;

    // Listens on a free port and starts the thread; false when it cannot.
    bool Start();
    int Port() const { return m_port; }
    // Misbehaves in `mode` for `milliseconds` on the connection it has (or
    // the next one), then serves properly again. Returns at once.
    void Misbehave(Mode mode, int milliseconds);
    bool Misbehaving() const { return m_mode.load() != GOOD; }
    // Bytes of misbehaviour the tool took.
    uint64_t BadBytesSent() const { return m_badBytes.load(); }
    // Set before Start; runs on the peer's thread.
    Script script;

private:
    void Run();

    qvsim::Catalogue& m_catalogue;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_mode{GOOD};
    std::atomic<int> m_milliseconds{0};
    std::atomic<uint64_t> m_badBytes{0};
    std::thread m_thread;
};
