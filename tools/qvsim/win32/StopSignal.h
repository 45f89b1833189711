// Ctrl+C, Ctrl+Break and closing the console as an event that the wait
// loops include. One instance at a time; the handler goes with it.
#pragma once

#include <string>
#include <windows.h>

namespace qvsim {

class StopSignal {
public:
    StopSignal() = default;
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    bool Install(std::string& error);
    HANDLE Event() const { return m_event; }

private:
    HANDLE m_event = nullptr;
    bool m_installed = false;
};

}  // namespace qvsim
