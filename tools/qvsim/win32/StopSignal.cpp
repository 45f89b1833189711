#include "tools/qvsim/win32/StopSignal.h"

#include <atomic>
#include <cstdio>

namespace qvsim {

namespace {

std::atomic<HANDLE> g_event{nullptr};

BOOL WINAPI OnConsoleControl(DWORD type) {
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT: {
        HANDLE event = g_event.load();
        if (event) SetEvent(event);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

bool StopSignal::Install() {
    m_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!m_event) {
        std::fprintf(stderr, "qvsim: CreateEvent failed\n");
        return false;
    }
    g_event.store(m_event);
    m_installed = SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
    return true;
}

StopSignal::~StopSignal() {
    if (m_installed) SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_event.store(nullptr);
    if (m_event) CloseHandle(m_event);
}

}  // namespace qvsim
