// Ctrl+C, Ctrl+Break and closing the console as an event that the wait
// loops include. One instance at a time; the handler goes with it.
#pragma once

#include <windows.h>

namespace qvsim {

class StopSignal {
public:
    StopSignal() = default;
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    // False, with the reason told on stderr, when it cannot be had.
    bool Install();
    HANDLE Event() const { return m_event; }
    // Stops as Ctrl+C would. Any thread, once installed.
    void Raise() { SetEvent(m_event); }

private:
    HANDLE m_event = nullptr;
    bool m_installed = false;
};

}  // namespace qvsim
