#include "DialogProcess.h"

#include <cstdio>
#include <vector>

#include "version/Version.h"

const char MAIN_CAPTION[] = "QV-500ログファイルダウンローダー Ver. " QV_VERSION_TEXT;

namespace {

constexpr DWORD CLOSE_WAIT_MS = 10000;

struct CaptionSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<CaptionSearch*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || !IsWindowVisible(window)) return TRUE;
    char caption[128] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (lstrcmpA(caption, MAIN_CAPTION) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

// Sets PATH for the processes started while it lives, and puts it back.
class PathPrefix {
public:
    explicit PathPrefix(const std::string& folder) : m_active(!folder.empty()) {
        if (!m_active) return;
        const DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
        std::vector<char> old(size + 1, '\0');
        if (size > 0) GetEnvironmentVariableA("PATH", old.data(), size + 1);
        m_old = old.data();
        SetEnvironmentVariableA("PATH", (folder + ";" + m_old).c_str());
    }
    ~PathPrefix() {
        if (m_active) SetEnvironmentVariableA("PATH", m_old.c_str());
    }
    PathPrefix(const PathPrefix&) = delete;
    PathPrefix& operator=(const PathPrefix&) = delete;

private:
    bool m_active;
    std::string m_old;
};

}  // namespace

DialogProcess::DialogProcess(const std::string& exe, const std::string& folder,
                             const std::string& dllFolder) {
    const PathPrefix path(dllFolder);
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &m_process)) {
        std::fprintf(stderr, "cannot start %s in %s: error %lu\n", exe.c_str(), folder.c_str(),
                     GetLastError());
        m_process = PROCESS_INFORMATION{};
    }
}

DialogProcess::~DialogProcess() {
    if (!Started()) return;
    DWORD exitCode = 0;
    if (!WaitForExit(0, exitCode)) {
        HWND dialog = WaitForDialog(0);
        if (dialog != nullptr) PostMessageA(dialog, WM_CLOSE, 0, 0);
        if (!WaitForExit(CLOSE_WAIT_MS, exitCode)) {
            std::fprintf(stderr, "qvlogdl.exe did not close; ending it\n");
            TerminateProcess(m_process.hProcess, 1);
            WaitForSingleObject(m_process.hProcess, CLOSE_WAIT_MS);
        }
    }
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
}

HWND DialogProcess::WaitForDialog(DWORD timeoutMs) {
    if (!Started()) return nullptr;
    const DWORD start = GetTickCount();
    for (;;) {
        CaptionSearch search{m_process.dwProcessId, nullptr};
        EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        if (WaitForSingleObject(m_process.hProcess, 20) == WAIT_OBJECT_0) return nullptr;
    }
}

bool DialogProcess::WaitForExit(DWORD timeoutMs, DWORD& exitCode) {
    if (!Started() || WaitForSingleObject(m_process.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(m_process.hProcess, &exitCode) != FALSE;
}
