// Serving one byte stream (a TCP connection or a serial line) with the
// instrument engine: a poll loop over the line and the stop descriptor that
// sleeps until input, writability or the engine's next deadline.
#pragma once

#include <unistd.h>

#include "tools/qvsim/FrameLog.h"
#include "tools/qvsim/Instrument.h"

namespace qvsim {

// Owns one descriptor and closes it on every path.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    void Reset(int fd = -1) {
        if (m_fd >= 0) close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

enum class SessionEnd {
    PEER_GONE,    // the peer closed or the line failed
    LINE_CLOSED,  // --close-after: the instrument hung up
    STOPPED,      // SIGINT or SIGTERM
};

// `fd` must be non-blocking. On a stream the end of input ends the session;
// on a serial line read errors are waited out, since a serial line has no
// end (the device vanishing shows as failed writes).
SessionEnd RunSession(Instrument& instrument, int fd, bool stream, int stopFd, FrameLog& log);

// Waits up to `ms` for the stop descriptor; true when it fired.
bool WaitForStop(int stopFd, int ms);

}  // namespace qvsim
