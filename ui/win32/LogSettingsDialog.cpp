#include "ui/win32/LogSettingsDialog.h"

#include "ui/controls/ControlIds.h"
#include "ui/controls/LogSizeText.h"
#include "ui/controls/UiPort.h"

namespace {

// What the user may type into the size edit; the clamp reads a little more
// in case a longer text got in by other means.
constexpr int SIZE_EDIT_LIMIT = 6;

void InitDialog(HWND dialog, const LogSettingsAnswer& answer) {
    CheckDlgButton(dialog, IDC_LOG_COLLECT, answer.collect ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageA(dialog, IDC_LOG_SIZE, EM_LIMITTEXT, SIZE_EDIT_LIMIT, 0);
    SetDlgItemTextA(dialog, IDC_LOG_SIZE, answer.sizeText);
}

void ClampSizeEdit(HWND dialog) {
    char text[sizeof(LogSettingsAnswer::sizeText)] = {};
    GetDlgItemTextA(dialog, IDC_LOG_SIZE, text, sizeof text);
    ClampLogSizeText(text, sizeof text);
    SetDlgItemTextA(dialog, IDC_LOG_SIZE, text);
}

void TakeAnswer(HWND dialog, LogSettingsAnswer& answer) {
    answer.collect = IsDlgButtonChecked(dialog, IDC_LOG_COLLECT) == BST_CHECKED;
    answer.sizeText[0] = '\0';
    GetDlgItemTextA(dialog, IDC_LOG_SIZE, answer.sizeText, sizeof answer.sizeText);
}

}  // namespace

INT_PTR CALLBACK LogSettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        InitDialog(dialog, *reinterpret_cast<const LogSettingsAnswer*>(lParam));
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    auto* answer = reinterpret_cast<LogSettingsAnswer*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (answer == nullptr) return FALSE;
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case IDOK:
        // Enter comes here without a focus loss: clamp first, so the edit
        // shows what is sent.
        ClampSizeEdit(dialog);
        TakeAnswer(dialog, *answer);
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    case IDC_LOG_COLLECT:
        return TRUE;
    case IDC_LOG_SIZE:
        if (code != EN_KILLFOCUS) return FALSE;
        ClampSizeEdit(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}
