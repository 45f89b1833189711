#include "comm/CSerial.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "comm/posix/LineSettings.h"
#include "comm/posix/OwnedFd.h"

namespace {

constexpr size_t READ_SIZE = 4096;
// While the ring is full, until the parser's next pass drains it.
constexpr int FULL_RING_PAUSE_MS = 2;

bool Configure(int port) {
    termios settings{};
    if (tcgetattr(port, &settings) != 0) return false;
    ApplyLineSettings(&settings);
    if (tcsetattr(port, TCSANOW, &settings) != 0) return false;
    termios applied{};
    if (tcgetattr(port, &applied) != 0 || !HasLineSettings(applied)) return false;
    return tcflush(port, TCIOFLUSH) == 0;
}

ChannelCause CauseOfOpen(int error) {
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return ChannelCause::NO_DEVICE;
    case EACCES:
    case EPERM: return ChannelCause::ACCESS_DENIED;
    case EBUSY:
    case EWOULDBLOCK: return ChannelCause::IN_USE;
    case ENOTTY: return ChannelCause::NOT_A_PORT;
    default: return ChannelCause::OTHER;
    }
}

int64_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Waits for `events` on `fd` up to `timeoutMs`; false on a poll error.
bool WaitFor(int fd, short events, int timeoutMs) {
    pollfd entry{fd, events, 0};
    while (poll(&entry, 1, timeoutMs) < 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

}  // namespace

bool CSerial::OpenComNumber(int) {
    // COM numbers name Windows devices; here a port is opened by its path.
    SetOpenCause(ChannelCause::NO_DEVICE);
    return false;
}

bool CSerial::OpenPath(const char* path) {
    auto fail = [this](ChannelCause cause, int error) {
        SetOpenCause(cause, error);
        return false;
    };
    if (m_hPort != -1) return fail(ChannelCause::OTHER, EBUSY);
    OwnedFd port(open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!port) return fail(CauseOfOpen(errno), errno);
    if (!isatty(port.get())) return fail(ChannelCause::NOT_A_PORT, ENOTTY);
    // The lock keeps out other programs that lock (and a second open here,
    // which TIOCEXCL does not refuse to root); TIOCEXCL keeps out the rest.
    if (flock(port.get(), LOCK_EX | LOCK_NB) != 0) return fail(CauseOfOpen(errno), errno);
    if (!Configure(port.get())) return fail(ChannelCause::SETUP_FAILED, errno);
    OwnedFd wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake) return fail(ChannelCause::OTHER, errno);
    if (ioctl(port.get(), TIOCEXCL) != 0) return fail(CauseOfOpen(errno), errno);
    m_hPort = port.release();
    m_hWake = wake.release();
    m_stop = false;
    if (StartReceiveThread()) return true;
    Release();
    return fail(ChannelCause::OTHER, 0);
}

uint32_t CSerial::ReceiveLoop() {
    const int port = static_cast<int>(m_hPort);
    const int wake = static_cast<int>(m_hWake);
    uint8_t buffer[READ_SIZE];
    while (!m_stop) {
        pollfd entries[2] = {{port, POLLIN, 0}, {wake, POLLIN, 0}};
        if (poll(entries, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return 1;
        }
        if (entries[1].revents != 0) break;
        if ((entries[0].revents & (POLLERR | POLLNVAL)) != 0) return 1;
        if ((entries[0].revents & (POLLIN | POLLHUP)) == 0) continue;
        size_t wanted = RingRoom();
        if (wanted == 0) {
            WaitFor(wake, POLLIN, FULL_RING_PAUSE_MS);
            continue;
        }
        if (wanted > sizeof buffer) wanted = sizeof buffer;
        const ssize_t got = read(port, buffer, wanted);
        if (got > 0) {
            AppendToRing(buffer, static_cast<uint32_t>(got));
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            // Hung up (bridge pulled out, other end of a pseudo-terminal
            // gone): the port stays readable forever, so stop here.
            return 1;
        }
    }
    return 0;
}

int CSerial::Write(const uint8_t* data, int length) {
    if (length <= 0 || m_hPort == -1) return 0;
    const int port = static_cast<int>(m_hPort);
    // As the Windows driver is told: 10 ms a byte plus 1000 ms, so a line
    // held back by CTS ends the write instead of blocking the dialog.
    const int64_t deadline = NowMs() + 1000 + 10 * static_cast<int64_t>(length);
    int sent = 0;
    int last = 0;
    while (sent < length) {
        const ssize_t n = write(port, data + sent, static_cast<size_t>(length - sent));
        if (n > 0) {
            last = static_cast<int>(n);
            sent += last;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return -1;
        const int64_t left = deadline - NowMs();
        if (left <= 0) return 0;
        if (!WaitFor(port, POLLOUT, static_cast<int>(left))) return -1;
    }
    return last;
}

void CSerial::Close() {
    m_stop = true;
    if (m_hWake != -1) {
        const uint64_t one = 1;
        // Only readability counts, which even a refused write leaves.
        const ssize_t written = write(static_cast<int>(m_hWake), &one, sizeof one);
        (void)written;
    }
    JoinReceiveThread();
    if (m_hPort != -1) tcflush(static_cast<int>(m_hPort), TCIOFLUSH);
    Release();
}

void CSerial::Release() {
    if (m_hPort != -1) {
        ioctl(static_cast<int>(m_hPort), TIOCNXCL);
        close(static_cast<int>(m_hPort));
    }
    if (m_hWake != -1) close(static_cast<int>(m_hWake));
    m_hPort = -1;
    m_hWake = -1;
}
