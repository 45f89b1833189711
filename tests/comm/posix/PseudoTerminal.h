// A pseudo-terminal for serial tests: the channel opens the terminal end by
// its path, the test plays the instrument on the controlling end.
#pragma once

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "tests/support/Hex.h"

class PseudoTerminal {
public:
    PseudoTerminal() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
            ptsname_r(m_master, m_path, sizeof m_path) != 0)
            CloseMaster();
    }
    ~PseudoTerminal() { CloseMaster(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool Opened() const { return m_master >= 0; }
    const char* Path() const { return m_path; }

    // Writes all of `data` as the instrument, waiting while the terminal's
    // buffer is full (the line's flow control), until `stop` is set.
    bool Send(const uint8_t* data, size_t size, const std::atomic<bool>& stop) {
        size_t sent = 0;
        while (sent < size && !stop) {
            const ssize_t n = write(m_master, data + sent, size - sent);
            if (n > 0) {
                sent += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
            pollfd entry{m_master, POLLOUT, 0};
            poll(&entry, 1, 50);
        }
        return sent == size;
    }

    bool Send(const Bytes& bytes) {
        const std::atomic<bool> never{false};
        return Send(bytes.data(), bytes.size(), never);
    }

    // What the channel wrote, until `count` bytes came or none for 2 s.
    Bytes Receive(size_t count) {
        Bytes out;
        uint8_t chunk[256];
        pollfd entry{m_master, POLLIN, 0};
        while (out.size() < count && poll(&entry, 1, 2000) > 0) {
            const ssize_t n = read(m_master, chunk, sizeof chunk);
            if (n <= 0) break;
            out.insert(out.end(), chunk, chunk + n);
        }
        return out;
    }

    void CloseMaster() {
        if (m_master >= 0) close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    char m_path[128] = {};
};
