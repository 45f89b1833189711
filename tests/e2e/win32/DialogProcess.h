// qvlogdl.exe as a process of the test: started in a folder of the test's
// choosing, its main dialog found by caption, and never left running.
#pragma once

#include <windows.h>

#include <string>

class DialogProcess {
public:
    // Starts `exe` with `folder` as its current folder; `dllFolder`, when
    // given, goes first on its PATH (where LoadLibrary finds a driver DLL).
    DialogProcess(const std::string& exe, const std::string& folder,
                  const std::string& dllFolder = std::string());
    // Still running: asked to close, and ended when it does not.
    ~DialogProcess();
    DialogProcess(const DialogProcess&) = delete;
    DialogProcess& operator=(const DialogProcess&) = delete;

    bool Started() const { return m_process.hProcess != nullptr; }
    // The visible main dialog of this process, by its caption; nullptr when
    // none showed within `timeoutMs`.
    HWND WaitForDialog(DWORD timeoutMs);
    // Whether the process ended within `timeoutMs`, and its exit code.
    bool WaitForExit(DWORD timeoutMs, DWORD& exitCode);

private:
    PROCESS_INFORMATION m_process{};
};

// The main dialog's caption, as the dialog sets it.
extern const char MAIN_CAPTION[];
