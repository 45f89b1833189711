// Entry of the dialog tests. The tests run in a child process on a desktop
// of their own: its windows stay off the user's screen, and under Wine the
// desktop takes the display the tests were given even when the running
// wineserver's default desktop was started without one.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

constexpr char CHILD_MARK[] = "QV_DIALOG_TEST_DESKTOP";

constexpr char DESKTOP[] = "qv-dialog-test";

// Under Wine a desktop with a size is a window of its own on the display, so
// no window manager is needed: hiding a top-level window there does not wait
// for one that is not running.
void GiveWineDesktopASize() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    const char size[] = "1024x768";
    RegSetValueExA(key, DESKTOP, 0, REG_SZ, reinterpret_cast<const BYTE*>(size), sizeof size);
    RegCloseKey(key);
}

int RunOnPrivateDesktop() {
    GiveWineDesktopASize();
    const std::string name = DESKTOP;
    HDESK desktop = CreateDesktopA(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (desktop == nullptr) {
        std::fprintf(stderr, "CreateDesktop failed, error %lu\n", GetLastError());
        return 1;
    }
    SetEnvironmentVariableA(CHILD_MARK, name.c_str());
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

}  // namespace

int main(int argc, char** argv) {
    char mark[64];
    if (GetEnvironmentVariableA(CHILD_MARK, mark, sizeof mark) == 0) return RunOnPrivateDesktop();
    INITCOMMONCONTROLSEX classes = {};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&classes);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
