// The Wi-Fi channel: a TCP client connection to the instrument. Winsock on
// Windows, BSD sockets elsewhere (comm/win32, comm/posix).
#pragma once

#include <atomic>
#include <cstdint>

#include "comm/CComm.h"
#include "comm/TcpTarget.h"

class CSocket : public CComm {
public:
    CSocket();
    // Closes the channel first if the owner did not.
    ~CSocket() override;

    // `target` is a TcpTarget. Connects, blocking, and starts the receive
    // thread. Dialog's thread only.
    bool Open(const void* target) override;
    // Stops the receive thread and closes the socket; safe to repeat.
    // Dialog's thread only.
    void Close() override;
    // Receive thread: 0 when stopped by Close, 1 when the connection ended
    // first (peer closed it or the socket failed).
    uint32_t ReceiveLoop() override;
    // Sends the whole buffer: the count of the last send, 0 when a send took
    // nothing, -1 on a socket error. Dialog's thread only.
    int Write(const uint8_t* data, int length) override;

    // Before Open: each write leaves at once instead of waiting, while an
    // earlier small one is unacknowledged, for the peer's delayed
    // acknowledgement (Nagle). An acknowledgement and the next request are
    // two small writes in a row, so without this every catalogue step and
    // every file's end waits about 40 ms. qvlog asks for it; the dialog keeps
    // the system's default.
    void SetSendAtOnce(bool atOnce) { m_sendAtOnce = atOnce; }
    // Before Open: a connection attempt still under way is dropped as soon
    // as `giveUp` returns true, asked every 100 ms. A host that drops the
    // attempt would otherwise hold Open for the system's whole connect
    // time-out (two minutes on Linux): qvlog gives up on Ctrl-C. The dialog
    // sets none and waits as the system does.
    void SetGiveUp(bool (*giveUp)()) { m_giveUp = giveUp; }

    // The socket (SOCKET or descriptor), -1 when none. For inspection.
    intptr_t SocketHandle() const { return m_socket; }

private:
    std::atomic<bool> m_stop{false};
    // Both set by the dialog's thread only while no receive thread runs.
    intptr_t m_socket = -1;
    bool m_sendAtOnce = false;
    bool (*m_giveUp)() = nullptr;
    // Signalled by Close so the receive thread leaves its wait at once, where
    // shutting the socket down does not end a pending receive (Winsock);
    // -1 elsewhere. Both are Winsock's only.
    [[maybe_unused]] intptr_t m_hWake = -1;
    [[maybe_unused]] bool m_startupFailed = false;
};
