#include "tools/qvlog/Console.h"

#include <windows.h>

#include <atomic>

#include "comm/win32/OwnedHandle.h"
#include "tools/qvlog/win32/Wide.h"

namespace {

std::atomic<bool> interrupted{false};

// The system ends the process once the handler of a closing console
// returns (after five seconds at the most): it waits, so that the transfers
// end as an abort does and the report is written before then.
constexpr DWORD CLOSE_GRACE_MS = 4500;

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    interrupted = true;
    if (event == CTRL_CLOSE_EVENT) Sleep(CLOSE_GRACE_MS);
    return TRUE;
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return ValidHandle(handle) && GetConsoleMode(handle, &mode) != 0;
}

void Write(DWORD which, const std::string& utf8) {
    const HANDLE handle = GetStdHandle(which);
    if (!ValidHandle(handle) || utf8.empty()) return;
    DWORD written = 0;
    if (IsConsole(handle)) {
        const std::wstring wide = WideFromUtf8(utf8);
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    size_t done = 0;
    while (done < utf8.size()) {
        if (!WriteFile(handle, utf8.data() + done, static_cast<DWORD>(utf8.size() - done), &written, nullptr) ||
            written == 0)
            return;
        done += written;
    }
}

}  // namespace

ConsoleOutput::ConsoleOutput() : m_errTerminal(IsConsole(GetStdHandle(STD_ERROR_HANDLE))) {
    // The progress line redraws itself with escape sequences.
    DWORD mode = 0;
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (m_errTerminal && GetConsoleMode(err, &mode))
        SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

void ConsoleOutput::Out(const std::string& utf8) { Write(STD_OUTPUT_HANDLE, utf8); }
void ConsoleOutput::Err(const std::string& utf8) { Write(STD_ERROR_HANDLE, utf8); }

void InstallInterruptHandler() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

bool InterruptRequested() { return interrupted.load(); }
