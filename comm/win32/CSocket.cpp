#include "comm/CSocket.h"

#include <winsock2.h>

#include "comm/SendWhole.h"
#include "comm/win32/OwnedHandle.h"

namespace {

constexpr DWORD RECEIVE_SIZE = 4096;
// While the ring is full, until the parser's next pass drains it.
constexpr DWORD FULL_RING_PAUSE_MS = 2;

SOCKET AsSocket(intptr_t value) { return static_cast<SOCKET>(value); }
HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

ChannelCause CauseOfConnect(int error) {
    switch (error) {
    case WSAECONNREFUSED: return ChannelCause::REFUSED;
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
    case WSAENETDOWN:
    case WSAEADDRNOTAVAIL: return ChannelCause::UNREACHABLE;
    case WSAETIMEDOUT: return ChannelCause::TIMED_OUT;
    case WSAEACCES: return ChannelCause::ACCESS_DENIED;
    default: return ChannelCause::OTHER;
    }
}

constexpr long GIVE_UP_POLL_US = 100000;

// Connects as the system does, its time-out included: 0, or the error. With
// `giveUp` the attempt runs without blocking, so it can be dropped between
// two looks (WSAECONNABORTED); the socket blocks again afterwards.
int Connect(SOCKET s, const sockaddr_in& address, bool (*giveUp)()) {
    const sockaddr* to = reinterpret_cast<const sockaddr*>(&address);
    if (giveUp == nullptr) return connect(s, to, sizeof address) == 0 ? 0 : WSAGetLastError();
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) return WSAGetLastError();
    int error = connect(s, to, sizeof address) == 0 ? 0 : WSAGetLastError();
    while (error == WSAEWOULDBLOCK) {
        if (giveUp()) return WSAECONNABORTED;
        fd_set connected, failed;
        FD_ZERO(&connected);
        FD_ZERO(&failed);
        FD_SET(s, &connected);
        FD_SET(s, &failed);
        timeval wait{0, GIVE_UP_POLL_US};
        const int ready = select(0, nullptr, &connected, &failed, &wait);
        if (ready == SOCKET_ERROR) return WSAGetLastError();
        if (ready == 0) continue;
        // The attempt's own error, whichever set it came back in.
        int length = sizeof error;
        if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0)
            error = WSAGetLastError();
        else if (error == 0 && FD_ISSET(s, &failed))
            error = WSAECONNREFUSED;
    }
    nonBlocking = 0;
    if (error == 0 && ioctlsocket(s, FIONBIO, &nonBlocking) != 0) error = WSAGetLastError();
    return error;
}

}  // namespace

CSocket::CSocket() {
    // The record is only filled in; nothing in it is needed afterwards.
    WSADATA wsaData;
    m_startupFailed = WSAStartup(0x0002, &wsaData) != 0;
}

CSocket::~CSocket() {
    Close();
    if (!m_startupFailed) WSACleanup();
}

bool CSocket::Open(const void* parameters) {
    SetOpenCause(ChannelCause::NONE);
    if (parameters == nullptr || m_socket != -1) {
        SetOpenCause(ChannelCause::OTHER);
        return false;
    }
    const TcpTarget& target = *static_cast<const TcpTarget*>(parameters);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(target.port & 0xFFFF));
    address.sin_addr.s_addr = htonl(target.address);
    const SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, 0, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (s == INVALID_SOCKET) {
        SetOpenCause(ChannelCause::OTHER, WSAGetLastError());
        return false;
    }
    OwnedHandle wake(NewManualEvent());
    if (!wake) {
        SetOpenCause(ChannelCause::OTHER, static_cast<int>(GetLastError()));
        closesocket(s);
        return false;
    }
    const int error = Connect(s, address, m_giveUp);
    if (error != 0) {
        closesocket(s);
        SetOpenCause(CauseOfConnect(error), error);
        return false;
    }
    // A refusal only brings the waits back: the connection works either way.
    const BOOL atOnce = m_sendAtOnce ? TRUE : FALSE;
    if (atOnce)
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&atOnce), sizeof atOnce);
    m_socket = static_cast<intptr_t>(s);
    m_hWake = reinterpret_cast<intptr_t>(wake.release());
    m_stop = false;
    if (StartReceiveThread()) return true;
    closesocket(s);
    CloseHandle(AsHandle(m_hWake));
    m_socket = -1;
    m_hWake = -1;
    SetOpenCause(ChannelCause::OTHER);
    return false;
}

uint32_t CSocket::ReceiveLoop() {
    // Resets itself when the wait below takes it, which saves a trip to the
    // system per receive. A completion the wait did not take (a close came
    // first) is still pending, and WSAGetOverlappedResult waits for it.
    OwnedHandle done(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!done) return 1;
    const SOCKET s = AsSocket(m_socket);
    const HANDLE wake = AsHandle(m_hWake);
    char buffer[RECEIVE_SIZE];
    while (!m_stop) {
        // Taking no more than the ring has room for leaves the rest to TCP's
        // own flow control instead of overwriting unread bytes.
        DWORD wanted = RingRoom();
        if (wanted == 0) {
            WaitForSingleObject(wake, FULL_RING_PAUSE_MS);
            continue;
        }
        if (wanted > RECEIVE_SIZE) wanted = RECEIVE_SIZE;
        WSABUF slice{static_cast<ULONG>(wanted), buffer};
        DWORD flags = 0;
        DWORD got = 0;
        WSAOVERLAPPED record{};
        record.hEvent = done.get();
        if (WSARecv(s, &slice, 1, nullptr, &flags, &record, nullptr) != 0 &&
            WSAGetLastError() != WSA_IO_PENDING)
            return m_stop ? 0 : 1;
        const HANDLE waits[2] = {done.get(), wake};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
            // Close, or a failed wait: the receive must not outlive its record.
            CancelIoEx(reinterpret_cast<HANDLE>(s), &record);
            WSAGetOverlappedResult(s, &record, &got, TRUE, &flags);
            return m_stop ? 0 : 1;
        }
        // 0 bytes: the peer closed its side. Every later receive would end at
        // once the same way, so stop, as on an error.
        if (!WSAGetOverlappedResult(s, &record, &got, FALSE, &flags) || got == 0)
            return m_stop ? 0 : 1;
        AppendToRing(reinterpret_cast<const uint8_t*>(buffer), got);
    }
    return 0;
}

int CSocket::Write(const uint8_t* data, int length) {
    if (length <= 0 || m_socket == -1) return 0;
    const SOCKET s = AsSocket(m_socket);
    return SendWhole(data, length, [s](const uint8_t* from, int count) {
        const int n = send(s, reinterpret_cast<const char*>(from), count, 0);
        return n == SOCKET_ERROR ? -1 : n;
    });
}

void CSocket::Close() {
    m_stop = true;
    if (m_hWake != -1) SetEvent(AsHandle(m_hWake));
    if (m_socket != -1) shutdown(AsSocket(m_socket), SD_BOTH);
    JoinReceiveThread();
    if (m_socket != -1) closesocket(AsSocket(m_socket));
    if (m_hWake != -1) CloseHandle(AsHandle(m_hWake));
    m_socket = -1;
    m_hWake = -1;
}
