#include "ui/win32/MainDialogProc.h"

#include <new>

#include "ui/controls/ControlIds.h"
#include "ui/controls/DialogMessages.h"
#include "ui/MainDialog.h"
#include "ui/win32/Win32UiPort.h"

namespace {

// What the window keeps from WM_INITDIALOG to WM_DESTROY, in DWLP_USER.
struct MainDialogContext {
    MainDialogContext(HWND dialog, DialogState& state) : state(state), ui(dialog) {}
    DialogState& state;
    Win32UiPort ui;
    HICON smallIcon = nullptr;  // owned: loaded at its own size, not shared
};

MainDialogContext* ContextOf(HWND dialog) {
    return reinterpret_cast<MainDialogContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

INT_PTR InitDialog(HWND dialog, DialogState& state) {
    auto* context = new (std::nothrow) MainDialogContext(dialog, state);
    if (context == nullptr) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(context));
    context->smallIcon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr),
                                                       MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 16,
                                                       16, LR_DEFAULTCOLOR));
    if (context->smallIcon != nullptr) {
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(context->smallIcon));
    }
    InitMainDialog(context->state, context->ui);
    return TRUE;
}

void Destroy(HWND dialog, MainDialogContext* context) {
    OnDestroy(context->state, context->ui);
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    if (context->smallIcon != nullptr) {
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, 0);
        DestroyIcon(context->smallIcon);
    }
    delete context;
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return InitDialog(dialog, *reinterpret_cast<DialogState*>(lParam));
    MainDialogContext* context = ContextOf(dialog);
    if (context == nullptr) return FALSE;
    switch (message) {
    case WM_COMMAND:
        return OnCommand(context->state, context->ui, wParam) ? TRUE : FALSE;
    case WM_TIMER:
        DialogTimerProc(context->state, context->ui, static_cast<uint32_t>(wParam));
        return TRUE;
    case WM_APP_DEVICE_REQUEST:
    case WM_APP_DEVICE_RESPONSE:
    case WM_APP_SEND_REQUEST:
    case WM_APP_SEND_RESPONSE:
        return OnAppMessage(context->state, context->ui, message, wParam, lParam) ? TRUE : FALSE;
    case WM_DESTROY:
        Destroy(dialog, context);
        return TRUE;
    default:
        return FALSE;
    }
}
