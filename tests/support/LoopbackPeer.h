// The instrument's end of a TCP connection for channel tests: listens on a
// free port of 127.0.0.1, accepts one connection, and sends and receives with
// time limits. Winsock on Windows, BSD sockets elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>

class LoopbackPeer {
public:
    static constexpr uint32_t LOOPBACK = 0x7F000001;  // 127.0.0.1, host order

    LoopbackPeer();
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    // Listens on a port that the system picks.
    bool Listen();
    uint16_t Port() const { return m_port; }
    // Takes the next connection, waiting up to timeoutMs for it.
    bool Accept(int timeoutMs);
    bool Send(const uint8_t* data, size_t size);
    // Receives until `size` bytes came, the connection ended, or timeoutMs
    // passed without a byte. Returns the count received.
    size_t Receive(uint8_t* data, size_t size, int timeoutMs);
    // The accepted connection's socket, -1 without one.
    intptr_t Connection() const { return m_connection; }
    void CloseConnection();
    void CloseListener();

private:
    intptr_t m_listener = -1;
    intptr_t m_connection = -1;
    uint16_t m_port = 0;
    bool m_started = false;
};

// Whether a connected socket has Nagle's delay turned off (TCP_NODELAY).
bool SendsAtOnce(intptr_t socket);
