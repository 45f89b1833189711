// Helper of the screenshot script:
//   qv_shot_helper click ID          presses control ID of the running main dialog
//   qv_shot_helper select N...       selects entries N... of its file list
//   qv_shot_helper wait-catalogue    waits until a catalogue read ends with files listed
//   qv_shot_helper wait-idle         waits until Download can be pressed again
//   qv_shot_helper wait-progress P   waits until the current file is P % in
//   qv_shot_helper wait-popup        waits for a dialog or message box of the main dialog
//   qv_shot_helper dismiss           presses OK of that message box, or cancels that dialog
//   qv_shot_helper geometry main|popup|both  brings the window to the front and prints
//                                    its rectangle as WxH+X+Y (both: the main dialog
//                                    and its popup in front of it, in one rectangle)
//   qv_shot_helper log-settings X Y  shows the log-settings dialog at X, Y
//   qv_shot_helper template X Y      shows template 129 untouched, samples and all
//   qv_shot_helper close             cancels every dialog on this desktop
// Waits end with status 1 after a minute without the awaited state.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "tests/support/win32/WindowSearch.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/UiPort.h"
#include "ui/win32/LogSettingsDialog.h"

namespace {

struct Placement {
    int x, y;
    LogSettingsAnswer* answer;
};

Placement placement{0, 0, nullptr};

// The main dialog is the top-level dialog that has both method buttons.
BOOL CALLBACK FindMainDialog(HWND window, LPARAM lParam) {
    if (ClassName(window) == "#32770" && GetDlgItem(window, IDC_USB) != nullptr &&
        GetDlgItem(window, IDC_WIFI) != nullptr) {
        *reinterpret_cast<HWND*>(lParam) = window;
        return FALSE;
    }
    return TRUE;
}

constexpr DWORD WAIT_MS = 60000;

// The main dialog, given 20 s to show up (a fresh prefix starts slowly); nullptr without one.
HWND MainDialog() {
    HWND main = nullptr;
    for (int attempt = 0; attempt < 400 && main == nullptr; ++attempt) {
        EnumWindows(FindMainDialog, reinterpret_cast<LPARAM>(&main));
        if (main == nullptr) Sleep(50);
    }
    return main;
}

// 0 once `done` holds, checked every 50 ms; 1 after WAIT_MS without it.
int WaitFor(const std::function<bool()>& done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= WAIT_MS) return 1;
        Sleep(50);
    }
    return 0;
}

bool Enabled(HWND main, int id) { return IsWindowEnabled(GetDlgItem(main, id)) != FALSE; }

// Idle and connected: the dialog enables the file list last of all.
bool Idle(HWND main) {
    return Enabled(main, IDC_DOWNLOAD) && !Enabled(main, IDC_ABORT) && Enabled(main, IDC_FILES);
}

LRESULT Ask(HWND main, int id, UINT message) { return SendMessageA(GetDlgItem(main, id), message, 0, 0); }

int Click(HWND main, int id) {
    SendMessageA(GetDlgItem(main, id), BM_CLICK, 0, 0);
    return 0;
}

int Select(HWND main, int argc, char** argv) {
    for (int i = 2; i < argc; ++i) SendMessageA(GetDlgItem(main, IDC_FILES), LB_SETSEL, TRUE, std::atoi(argv[i]));
    return 0;
}

int Dismiss(HWND main) {
    HWND popup = FindOwnedDialog(main);
    if (popup == nullptr) return 1;
    HWND ok = GetDlgItem(popup, IDOK);
    // A message box has OK alone; the log-settings dialog is left by Cancel.
    if (ok != nullptr && GetDlgItem(popup, IDCANCEL) == nullptr) {
        SendMessageA(ok, BM_CLICK, 0, 0);
    } else {
        PostMessageA(popup, WM_COMMAND, IDCANCEL, 0);
    }
    return WaitFor([&] { return FindOwnedDialog(main) == nullptr; });
}

// `front` is brought to the front, so that a picture shows it as the user
// sees it: active, caption lit; the rectangle printed covers it and `also`.
int Geometry(HWND front, HWND also) {
    RECT r{}, other{};
    if (front == nullptr || !GetWindowRect(front, &r)) return 1;
    if (also != nullptr && GetWindowRect(also, &other)) UnionRect(&r, &r, &other);
    SetForegroundWindow(front);
    // Whether Wine activates a window for another process, with no window
    // manager, depends on timing; the captions are drawn as Windows would
    // show them, front active, the other not.
    SendMessageA(front, WM_NCACTIVATE, TRUE, 0);
    if (also != nullptr) SendMessageA(also, WM_NCACTIVATE, FALSE, 0);
    std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    return 0;
}

int Drive(int argc, char** argv) {
    const char* mode = argv[1];
    HWND main = MainDialog();
    if (main == nullptr) return 1;
    if (std::strcmp(mode, "click") == 0 && argc == 3) return Click(main, std::atoi(argv[2]));
    if (std::strcmp(mode, "select") == 0) return Select(main, argc, argv);
    if (std::strcmp(mode, "wait-catalogue") == 0) {
        return WaitFor([&] { return Idle(main) && Ask(main, IDC_FILES, LB_GETCOUNT) > 0; });
    }
    if (std::strcmp(mode, "wait-idle") == 0) {
        return WaitFor([&] { return Idle(main); });
    }
    if (std::strcmp(mode, "wait-progress") == 0 && argc == 3) {
        const LRESULT percent = std::atoi(argv[2]);
        return WaitFor([&] { return Ask(main, IDC_BYTE_BAR, PBM_GETPOS) >= percent; });
    }
    if (std::strcmp(mode, "wait-popup") == 0)
        return WaitFor([&] { return FindOwnedDialog(main) != nullptr; });
    if (std::strcmp(mode, "dismiss") == 0) return Dismiss(main);
    if (std::strcmp(mode, "geometry") == 0 && argc == 3) {
        if (std::strcmp(argv[2], "main") == 0) return Geometry(main, nullptr);
        if (std::strcmp(argv[2], "popup") == 0) return Geometry(FindOwnedDialog(main), nullptr);
        if (std::strcmp(argv[2], "both") == 0) {
            // Windows shows a message box over its owner; Wine in the middle
            // of the screen.
            HWND popup = FindOwnedDialog(main);
            RECT owner{}, box{};
            if (popup != nullptr && GetWindowRect(main, &owner) && GetWindowRect(popup, &box)) {
                const int x = (owner.left + owner.right - (box.right - box.left)) / 2;
                const int y = (owner.top + owner.bottom - (box.bottom - box.top)) / 2;
                SetWindowPos(popup, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            return Geometry(popup, main);
        }
    }
    return 2;
}

BOOL CALLBACK CancelDialog(HWND window, LPARAM) {
    if (ClassName(window) == "#32770") PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

INT_PTR CALLBACK PlacedLogSettings(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const INT_PTR handled = LogSettingsDialogProc(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG) {
        SetWindowPos(dialog, nullptr, placement.x, placement.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    return handled;
}

INT_PTR CALLBACK PlacedTemplate(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetWindowPos(dialog, nullptr, placement.x, placement.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SetWindowTextA(dialog, "template 129");
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX classes = {};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&classes);
    if (__argc < 2) return 2;
    const char* mode = __argv[1];
    if (std::strcmp(mode, "close") == 0) return EnumWindows(CancelDialog, 0) ? 0 : 1;
    if (std::strcmp(mode, "log-settings") != 0 && std::strcmp(mode, "template") != 0) {
        return Drive(__argc, __argv);
    }
    if (__argc < 4) return 2;
    placement.x = std::atoi(__argv[2]);
    placement.y = std::atoi(__argv[3]);
    if (std::strcmp(mode, "log-settings") == 0) {
        LogSettingsAnswer answer{true, "1024"};
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_LOG_SETTINGS), nullptr, PlacedLogSettings,
                        reinterpret_cast<LPARAM>(&answer));
        return 0;
    }
    if (std::strcmp(mode, "template") == 0) {
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, PlacedTemplate, 0);
        return 0;
    }
    return 2;
}
