// Helper of the screenshot script:
//   qv_shot_helper click ID          presses control ID of the running main dialog
//   qv_shot_helper log-settings X Y  shows the log-settings dialog at X, Y
//   qv_shot_helper template X Y      shows template 129 untouched, samples and all
//   qv_shot_helper close             cancels every dialog on this desktop
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>

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
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") == 0 && GetDlgItem(window, IDC_USB) != nullptr &&
        GetDlgItem(window, IDC_WIFI) != nullptr) {
        *reinterpret_cast<HWND*>(lParam) = window;
        return FALSE;
    }
    return TRUE;
}

int Click(int id) {
    HWND main = nullptr;
    for (int attempt = 0; attempt < 100 && main == nullptr; ++attempt) {
        EnumWindows(FindMainDialog, reinterpret_cast<LPARAM>(&main));
        if (main == nullptr) Sleep(50);
    }
    if (main == nullptr) return 1;
    SendMessageA(GetDlgItem(main, id), BM_CLICK, 0, 0);
    return 0;
}

BOOL CALLBACK CancelDialog(HWND window, LPARAM) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") == 0) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
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
    if (__argc < 3) return 2;
    if (std::strcmp(mode, "click") == 0) return Click(std::atoi(__argv[2]));
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
