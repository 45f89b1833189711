#include "tools/qvsim/posix/Session.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <time.h>

#include "tools/qvsim/Clock.h"
#include "tools/qvsim/WakeAhead.h"

namespace qvsim {

namespace {

constexpr int RETRY_MS = 100;         // pause after a failing read on a serial line
constexpr int64_t LONGEST_WAIT_US = 60000000;
constexpr int64_t MOST_BELIEVED_AGE_US = 100000;

class FdOutput : public ByteOutput {
public:
    FdOutput(int fd, bool stream) : m_fd(fd), m_stream(stream) {}
    size_t Write(const uint8_t* data, size_t size) override {
        if (m_failed) return 0;
        const ssize_t n = m_stream ? send(m_fd, data, size, MSG_NOSIGNAL) : write(m_fd, data, size);
        if (n >= 0) {
            if (static_cast<size_t>(n) < size) m_blocked = true;
            return static_cast<size_t>(n);
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) m_blocked = true;
        else m_failed = true;
        return 0;
    }
    bool m_blocked = false;
    bool m_failed = false;

private:
    int m_fd;
    bool m_stream;
};

// The wait from `now` until `wakeAt`, to the microsecond: a wait rounded up
// to whole milliseconds from the top of the loop would stretch every
// --turnaround pause by the time the loop took.
const timespec* TimeoutUntil(int64_t wakeAt, int64_t now, timespec* storage) {
    if (wakeAt == NO_DEADLINE) return nullptr;
    int64_t micros = wakeAt - now;
    if (micros < 0) micros = 0;
    if (micros > LONGEST_WAIT_US) micros = LONGEST_WAIT_US;
    storage->tv_sec = static_cast<time_t>(micros / 1000000);
    storage->tv_nsec = static_cast<long>(micros % 1000000) * 1000;
    return storage;
}

// Reads from a TCP connection and says when the bytes arrived, on the
// simulator's clock: an instrument starts its turnaround as a request
// arrives, not when a busy host gets round to waking the simulator.
ssize_t ReceiveStamped(int fd, uint8_t* buffer, size_t size, int64_t* arrived) {
    iovec slice{buffer, size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
    msghdr message{};
    message.msg_iov = &slice;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = recvmsg(fd, &message, 0);
    const int64_t now = ElapsedMicros();
    *arrived = now;
    if (n <= 0) return n;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPNS) continue;
        timespec stamp;
        std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
        timespec wall;
        clock_gettime(CLOCK_REALTIME, &wall);
        const int64_t ago = (static_cast<int64_t>(wall.tv_sec) - stamp.tv_sec) * 1000000 +
                            (wall.tv_nsec - stamp.tv_nsec) / 1000;
        // The stamp is on the wall clock, which may be set meanwhile: only a
        // plausible age is believed.
        if (ago > 0 && ago < MOST_BELIEVED_AGE_US) *arrived = now - ago;
    }
    return n;
}

}  // namespace

bool WaitForStop(int stopFd, int ms) {
    pollfd p{stopFd, POLLIN, 0};
    return poll(&p, 1, ms) > 0;
}

SessionEnd RunSession(Instrument& instrument, int fd, bool stream, int stopFd, FrameLog& log) {
    // Waits end on time to the microsecond: the default slack of 50 us would
    // stretch every --turnaround and --baud pause.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    FdOutput out(fd, stream);
    if (stream) {
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);  // else: read times
    }
    uint8_t buffer[4096];
    WakeAhead ahead;
    for (;;) {
        const int64_t now = ElapsedMicros();
        instrument.Pump(now, out);
        if (out.m_failed) {
            log.Note(ElapsedMicros(), "write failed");
            return SessionEnd::PEER_GONE;
        }
        if (stream && instrument.WantsClose()) return SessionEnd::LINE_CLOSED;

        const int64_t deadline = instrument.NextDeadline(out.m_blocked);
        const int64_t before = ElapsedMicros();
        const int64_t wakeAt =
            deadline == NO_DEADLINE ? NO_DEADLINE : std::max(before, ahead.WakeFor(deadline));
        pollfd polls[2] = {{fd, static_cast<short>(POLLIN | (out.m_blocked ? POLLOUT : 0)), 0},
                           {stopFd, POLLIN, 0}};
        timespec timeout;
        const int ready = ppoll(polls, 2, TimeoutUntil(wakeAt, before, &timeout), nullptr);
        if (ready < 0 && errno != EINTR) return SessionEnd::PEER_GONE;
        if (ready == 0 && wakeAt != NO_DEADLINE && wakeAt > before) {
            const int64_t woke = ElapsedMicros();
            if (woke >= wakeAt) {  // else only the longest single wait ran out
                ahead.Learn(wakeAt, woke);
                // What is left is at most the lead: waited out on the clock.
                while (ElapsedMicros() < deadline) {
                }
            }
        }
        if (ready <= 0) continue;
        if (polls[1].revents) return SessionEnd::STOPPED;
        if (polls[0].revents & POLLOUT) out.m_blocked = false;
        if (polls[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            int64_t arrived = 0;
            const ssize_t n = stream ? ReceiveStamped(fd, buffer, sizeof buffer, &arrived)
                                     : read(fd, buffer, sizeof buffer);
            const bool failed = n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
            if (n > 0) {
                instrument.Receive(buffer, static_cast<size_t>(n), stream ? arrived : ElapsedMicros());
            } else if (stream) {
                if (failed) return SessionEnd::PEER_GONE;
            } else if (failed || (polls[0].revents & (POLLHUP | POLLERR))) {
                // A serial line with nobody on the far side can read as hung
                // up until someone opens it: wait instead of spinning.
                if (WaitForStop(stopFd, RETRY_MS)) return SessionEnd::STOPPED;
            }
        }
    }
}

}  // namespace qvsim
