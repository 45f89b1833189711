// The system calls under the TCP serving loop (TcpServer.cpp), so that the
// loop is written once: one implementation in posix/TcpPlatform.cpp, one in
// win32/TcpPlatform.cpp. Failures go to stderr with the system's reason,
// but Open's go to its caller, which may try another port.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/qvsim/FrameLog.h"
#include "tools/qvsim/Instrument.h"
#include "tools/qvsim/SessionEnd.h"

namespace qvsim {

// The network stack and the stop signal, for the serving's life. One at a
// time; made and started on one thread, then used from any.
class TcpStack {
public:
    TcpStack();
    ~TcpStack();
    TcpStack(const TcpStack&) = delete;
    TcpStack& operator=(const TcpStack&) = delete;

    // False when either cannot be had.
    bool Start();
    // Waits up to `ms` for the stop signal; true when it came.
    bool WaitForStop(int ms) const;
    // Raises the stop signal, for every wait on it.
    void Stop();

    struct State;

private:
    friend class TcpListener;
    std::unique_ptr<State> m_state;
};

struct PeerAddress {
    uint8_t address[4];
    uint16_t port;
};

// One listening socket and the one connection it serves at a time. One
// thread; `stack` must outlive it.
class TcpListener {
public:
    explicit TcpListener(const TcpStack& stack);
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Binds and listens; false with the call that failed and the system's
    // reason in `failure`.
    bool Open(const uint8_t address[4], uint16_t port, std::string& failure);
    // The port it listens on, the one picked when Open was given 0.
    uint16_t Port() const;

    enum class Wake { PEER_WAITING, STOPPED, FAILED };
    Wake WaitForPeer();

    // AGAIN: nothing to take after all (the peer gave up, say), try at once;
    // FAILED: the system refuses for now (out of descriptors, say).
    enum class Accepted { CONNECTION, AGAIN, FAILED };
    // Takes the waiting peer, set to send small frames at once.
    Accepted Accept(PeerAddress& peer);
    // Serves the connection taken last until it ends, then closes it.
    SessionEnd Serve(Instrument& instrument, FrameLog& log);

    struct State;

private:
    const TcpStack& m_stack;
    std::unique_ptr<State> m_state;
};

}  // namespace qvsim
