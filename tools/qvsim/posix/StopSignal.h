// SIGINT and SIGTERM as a readable descriptor (a self-pipe), so the poll
// loops wake for them; SIGPIPE is ignored so a vanished peer shows as a
// failed write. One instance at a time; the handlers go with it.
#pragma once

#include <csignal>

namespace qvsim {

class StopSignal {
public:
    StopSignal() = default;
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    // False, with the reason told on stderr, when it cannot be had.
    bool Install();
    int Fd() const { return m_read; }
    // Stops as SIGTERM would. Any thread, once installed.
    void Raise();

private:
    int m_read = -1;
    bool m_installed = false;
    struct sigaction m_oldInt {}, m_oldTerm {}, m_oldPipe {};
};

}  // namespace qvsim
