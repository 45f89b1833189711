#include "comm/CSerial.h"

#include <windows.h>

#include "comm/win32/LineSettings.h"
#include "comm/win32/OwnedHandle.h"

namespace {

constexpr DWORD QUEUE_SIZE = 4096;
constexpr DWORD PURGE_ALL = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
// A pulled-out bridge makes every port-event wait fail at once, and Wine
// cannot wait on a pseudo-terminal at all (each wait ends with error 995
// after costing a millisecond of CPU). After a failed wait the loop looks at
// the queue every 5 ms instead, and tries a real wait again after 20 looks.
constexpr DWORD FAILED_WAIT_PAUSE_MS = 5;
constexpr unsigned LOOKS_BETWEEN_WAITS = 20;
// While the ring is full, until the parser's next pass drains it.
constexpr DWORD FULL_RING_PAUSE_MS = 2;
// Beyond the write time-outs the driver was given, before a write is
// cancelled as hung.
constexpr DWORD WRITE_GRACE_MS = 1000;

HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }
intptr_t AsValue(HANDLE h) { return ValidHandle(h) ? reinterpret_cast<intptr_t>(h) : -1; }

bool Configure(HANDLE port) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 1000;
    timeouts.WriteTotalTimeoutMultiplier = 10;
    timeouts.WriteTotalTimeoutConstant = 1000;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!SetCommMask(port, EV_RXCHAR)) return false;
    if (!SetupComm(port, QUEUE_SIZE, QUEUE_SIZE)) return false;
    if (!PurgeComm(port, PURGE_ALL)) return false;
    if (!SetCommTimeouts(port, &timeouts)) return false;
    if (!GetCommState(port, &dcb)) return false;
    ApplyLineSettings(&dcb);
    return SetCommState(port, &dcb) != FALSE;
}

ChannelCause CauseOfOpen(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST: return ChannelCause::NO_DEVICE;
    // A COM port another program holds answers "access denied".
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY: return ChannelCause::IN_USE;
    default: return ChannelCause::OTHER;
    }
}

enum class Outcome { DONE, FAILED, STOPPED };

// Collects an overlapped call that `started` began: waits for it or for
// `wake`; a call still in progress when `wake` fires, or when the wait ends
// any other way, is cancelled and collected before the record goes. The byte
// count is GetOverlappedResult's.
Outcome Collect(HANDLE port, BOOL started, OVERLAPPED& record, HANDLE wake, DWORD timeoutMs,
                DWORD* count) {
    *count = 0;
    if (!started && GetLastError() != ERROR_IO_PENDING) return Outcome::FAILED;
    const HANDLE waits[2] = {record.hEvent, wake};
    const DWORD waited = WaitForMultipleObjects(ValidHandle(wake) ? 2 : 1, waits, FALSE, timeoutMs);
    if (waited != WAIT_OBJECT_0) {
        CancelIoEx(port, &record);
        GetOverlappedResult(port, &record, count, TRUE);
        return waited == WAIT_OBJECT_0 + 1 ? Outcome::STOPPED : Outcome::FAILED;
    }
    return GetOverlappedResult(port, &record, count, FALSE) ? Outcome::DONE : Outcome::FAILED;
}

Outcome WaitForPortEvent(HANDLE port, HANDLE done, HANDLE wake, DWORD* events) {
    *events = 0;
    DWORD unused = 0;
    OVERLAPPED record{};
    record.hEvent = done;
    ResetEvent(done);
    const BOOL started = WaitCommEvent(port, events, &record);
    return Collect(port, started, record, wake, INFINITE, &unused);
}

}  // namespace

bool CSerial::OpenComNumber(int comPort) {
    char path[COM_PATH_SIZE];
    FormatComPath(comPort, path);
    return OpenPath(path);
}

bool CSerial::OpenPath(const char* path) {
    auto fail = [this](ChannelCause cause, DWORD error) {
        SetOpenCause(cause, static_cast<int>(error));
        return false;
    };
    if (m_hPort != -1) return fail(ChannelCause::OTHER, ERROR_BUSY);
    OwnedHandle port(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr));
    if (!port) {
        const DWORD error = GetLastError();
        return fail(CauseOfOpen(error), error);
    }
    if (!Configure(port.get())) {
        const DWORD error = GetLastError();
        // Something that opens but takes no line settings is no serial port.
        return fail(error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED
                        ? ChannelCause::NOT_A_PORT : ChannelCause::SETUP_FAILED, error);
    }
    OwnedHandle wake(NewManualEvent());
    if (!wake) return fail(ChannelCause::OTHER, GetLastError());
    m_hPort = AsValue(port.release());
    m_hWake = AsValue(wake.release());
    m_stop = false;
    if (StartReceiveThread()) return true;
    Release();
    return fail(ChannelCause::OTHER, 0);
}

uint32_t CSerial::ReceiveLoop() {
    OwnedHandle done(NewManualEvent());
    if (!done) return 1;
    const HANDLE port = AsHandle(m_hPort);
    const HANDLE wake = AsHandle(m_hWake);
    uint8_t buffer[QUEUE_SIZE];
    // Bytes may still be queued (more than one read's worth, or held back by
    // a full ring): look at the queue before waiting for the next event.
    bool lookAtQueue = false;
    bool waitFailed = false;
    unsigned looksBeforeWait = 0;
    while (!m_stop) {
        if (!lookAtQueue && looksBeforeWait > 0) {
            --looksBeforeWait;
        } else if (!lookAtQueue) {
            DWORD events = 0;
            const Outcome waited = WaitForPortEvent(port, done.get(), wake, &events);
            if (waited == Outcome::STOPPED) break;
            // A failed wait tells nothing about the queue, so look anyway.
            waitFailed = waited == Outcome::FAILED;
            if (waitFailed) looksBeforeWait = LOOKS_BETWEEN_WAITS;
            if (!waitFailed && (events & EV_RXCHAR) == 0) continue;
        }
        DWORD errors = 0;
        COMSTAT status{};
        const bool statusRead = ClearCommError(port, &errors, &status) != FALSE;
        const DWORD queued = statusRead ? status.cbInQue : 0;
        if (queued == 0) {
            lookAtQueue = false;
            if (waitFailed || !statusRead) WaitForSingleObject(wake, FAILED_WAIT_PAUSE_MS);
            continue;
        }
        lookAtQueue = true;
        DWORD wanted = RingRoom();
        if (wanted == 0) {
            WaitForSingleObject(wake, FULL_RING_PAUSE_MS);
            continue;
        }
        if (wanted > queued) wanted = queued;
        if (wanted > sizeof buffer) wanted = sizeof buffer;
        DWORD got = 0;
        OVERLAPPED record{};
        record.hEvent = done.get();
        const BOOL started = ReadFile(port, buffer, wanted, nullptr, &record);
        const Outcome read = Collect(port, started, record, wake, INFINITE, &got);
        if (read == Outcome::STOPPED) break;
        if (read == Outcome::FAILED) return 1;
        if (got > 0) AppendToRing(buffer, got);
    }
    return 0;
}

int CSerial::Write(const uint8_t* data, int length) {
    if (length <= 0 || m_hPort == -1) return 0;
    OwnedHandle done(NewManualEvent());
    if (!done) return -1;
    const HANDLE port = AsHandle(m_hPort);
    DWORD sent = 0;
    DWORD last = 0;
    while (sent < static_cast<DWORD>(length)) {
        const DWORD remaining = static_cast<DWORD>(length) - sent;
        OVERLAPPED record{};
        record.hEvent = done.get();
        const BOOL started = WriteFile(port, data + sent, remaining, nullptr, &record);
        // The driver's own write time-out (10 ms a byte + 1000 ms) ends a
        // write held back by CTS; the grace only catches a driver that hangs.
        const DWORD limit = remaining * 10 + 1000 + WRITE_GRACE_MS;
        if (Collect(port, started, record, nullptr, limit, &last) != Outcome::DONE) return -1;
        if (last == 0) return 0;
        sent += last;
    }
    return static_cast<int>(last);
}

void CSerial::Close() {
    m_stop = true;
    // The wake signal first: it also catches the receive thread between two
    // calls, where clearing the mask and cancelling find nothing pending.
    if (m_hWake != -1) SetEvent(AsHandle(m_hWake));
    if (m_hPort != -1) {
        SetCommMask(AsHandle(m_hPort), 0);
        CancelIoEx(AsHandle(m_hPort), nullptr);
    }
    JoinReceiveThread();
    if (m_hPort != -1) PurgeComm(AsHandle(m_hPort), PURGE_ALL);
    Release();
}

void CSerial::Release() {
    if (m_hPort != -1) CloseHandle(AsHandle(m_hPort));
    if (m_hWake != -1) CloseHandle(AsHandle(m_hWake));
    m_hPort = -1;
    m_hWake = -1;
}
