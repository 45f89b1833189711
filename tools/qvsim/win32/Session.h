// Serving one TCP connection with the instrument engine: a wait on the
// socket's network events and the stop event that sleeps until input,
// writability or the engine's next deadline.
#pragma once

#include <winsock2.h>

#include "tools/qvsim/FrameLog.h"
#include "tools/qvsim/Instrument.h"
#include "tools/qvsim/SessionEnd.h"

namespace qvsim {

// Owns one socket and closes it on every path.
class UniqueSocket {
public:
    explicit UniqueSocket(SOCKET s = INVALID_SOCKET) : m_socket(s) {}
    ~UniqueSocket() { Reset(); }
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;
    SOCKET Get() const { return m_socket; }
    bool Valid() const { return m_socket != INVALID_SOCKET; }
    void Reset(SOCKET s = INVALID_SOCKET) {
        if (m_socket != INVALID_SOCKET) closesocket(m_socket);
        m_socket = s;
    }

private:
    SOCKET m_socket;
};

// Owns one WSA event.
class UniqueEvent {
public:
    UniqueEvent() : m_event(WSACreateEvent()) {}
    ~UniqueEvent() {
        if (m_event != WSA_INVALID_EVENT) WSACloseEvent(m_event);
    }
    UniqueEvent(const UniqueEvent&) = delete;
    UniqueEvent& operator=(const UniqueEvent&) = delete;
    WSAEVENT Get() const { return m_event; }
    bool Valid() const { return m_event != WSA_INVALID_EVENT; }

private:
    WSAEVENT m_event;
};

SessionEnd RunSession(Instrument& instrument, SOCKET socket, HANDLE stop, FrameLog& log);

// Waits up to `ms` for the stop event; true when it fired.
bool WaitForStop(HANDLE stop, DWORD ms);

}  // namespace qvsim
