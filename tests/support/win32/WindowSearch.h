// What the Windows test programs ask of windows, their own or another
// process's: a window's class, the dialog or message box a window owns, and
// whether the program runs under Wine.
#pragma once

#include <windows.h>

#include <string>

inline std::string ClassName(HWND window) {
    char name[64] = {};
    const int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

// The visible dialog or message box (class #32770) that `owner` owns, or
// nullptr.
inline HWND FindOwnedDialog(HWND owner) {
    struct Search {
        HWND owner, found;
    } search{owner, nullptr};
    auto match = [](HWND window, LPARAM lParam) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        if (GetWindow(window, GW_OWNER) != s->owner || !IsWindowVisible(window) || ClassName(window) != "#32770")
            return TRUE;
        s->found = window;
        return FALSE;
    };
    EnumWindows(match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Whether this process runs under Wine (ntdll exports wine_get_version).
inline bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
