// qvlogdl.exe: the QV-500 log downloader, one modal dialog.
#include <windows.h>
#include <commctrl.h>

#include "ui/controls/ControlIds.h"
#include "ui/controls/DialogState.h"
#include "ui/MainDialog.h"
#include "ui/win32/MainDialogProc.h"

namespace {

// Lives as long as the process; the dialog and the link reach it through
// the dialog procedure.
DialogState dialogState;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX classes = {};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&classes);

    char currentDirectory[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof currentDirectory, currentDirectory);
    if (length == 0 || length >= sizeof currentDirectory) currentDirectory[0] = '\0';
    StartUp(dialogState, currentDirectory);

    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc,
                    reinterpret_cast<LPARAM>(&dialogState));
    return 0;
}
