#include "PrivateDesktop.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr char CHILD_MARK[] = "QV_DIALOG_TEST_DESKTOP";

// Under Wine a desktop with a size is a window of its own on the display, so
// no window manager is needed: hiding a top-level window there does not wait
// for one that is not running.
void GiveWineDesktopASize(const char* name) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    const char size[] = "1024x768";
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(size), sizeof size);
    RegCloseKey(key);
}

}  // namespace

bool OnPrivateDesktop() {
    char mark[64];
    return GetEnvironmentVariableA(CHILD_MARK, mark, sizeof mark) != 0;
}

int RunOnPrivateDesktop(const char* name) {
    GiveWineDesktopASize(name);
    HDESK desktop = CreateDesktopA(name, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (desktop == nullptr) {
        std::fprintf(stderr, "CreateDesktop failed, error %lu\n", GetLastError());
        return 1;
    }
    SetEnvironmentVariableA(CHILD_MARK, name);
    std::string desktopName = name;
    std::string commandLine = GetCommandLineA();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = &desktopName[0];
    PROCESS_INFORMATION child = {};
    DWORD exitCode = 1;
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &child)) {
        WaitForSingleObject(child.hProcess, INFINITE);
        GetExitCodeProcess(child.hProcess, &exitCode);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    } else {
        std::fprintf(stderr, "CreateProcess failed, error %lu\n", GetLastError());
    }
    CloseDesktop(desktop);
    return static_cast<int>(exitCode);
}
