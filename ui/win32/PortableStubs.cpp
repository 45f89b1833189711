// Stand-ins for the portable dialog logic (ui/MainDialog.h), so that the
// Windows dialog builds, runs and can be looked at before the logic lands.
// They draw the dialog as it stands after start-up and switch the
// connection view; nothing else. Dropped once the real qv_ui exists.
#include <cstdio>
#include <cstring>

#include "ui/ControlIds.h"
#include "ui/DialogState.h"
#include "ui/MainDialog.h"

namespace {

void ShowMethod(UiPort& ui, int method) {
    ui.SetCheck(IDC_USB, method == 0);
    ui.SetCheck(IDC_WIFI, method == 1);
    const int usb[] = {IDC_COM_LABEL, IDC_REFRESH_DEVICES, IDC_COM_PORT};
    const int wifi[] = {IDC_ADDRESS_LABEL, IDC_PORT_LABEL, IDC_IP_ADDRESS, IDC_PORT};
    for (int id : usb) ui.ShowControl(id, method == 0);
    for (int id : wifi) ui.ShowControl(id, method == 1);
}

}  // namespace

void StartUp(DialogState& state, const char* currentDirectory) {
    std::snprintf(state.startDir, sizeof state.startDir, "%s", currentDirectory);
    state.method = 0;
}

void InitMainDialog(DialogState& state, UiPort& ui) {
    ui.MoveDialog(0, 0);
    char caption[100];
    std::snprintf(caption, sizeof caption, "QV-500ログファイルダウンローダー Ver. %d.%02d", 1, 2);
    ui.SetCaption(caption);
    ShowMethod(ui, state.method);
    ui.SetAddress(IDC_IP_ADDRESS, 0xC0A80064u);
    ui.SetControlText(IDC_PORT, "10101");
    ui.SetControlText(IDC_SAVE_PATH, state.startDir);
    const int progress[] = {IDC_BYTE_BAR, IDC_FILE_BAR, IDC_STATUS_TEXT, IDC_BYTE_TEXT,
                            IDC_FILE_TEXT};
    for (int id : progress) ui.ShowControl(id, false);
    const int connected[] = {IDC_DISCONNECT, IDC_DOWNLOAD, IDC_LOG_SETTINGS, IDC_ABORT,
                             IDC_SELECT_ALL, IDC_REFRESH_CATALOGUE, IDC_DATES, IDC_TIMES,
                             IDC_FILES};
    for (int id : connected) ui.EnableControl(id, false);
}

bool OnCommand(DialogState& state, UiPort& ui, uintptr_t wParam) {
    const int id = static_cast<int>(wParam & 0xFFFF);
    const uint32_t code = static_cast<uint32_t>(wParam >> 16) & 0xFFFF;
    if (id == IDC_CANCEL) {
        ui.EndDialog(IDC_CANCEL);
        return true;
    }
    if ((id == IDC_USB || id == IDC_WIFI) && code == BN_CLICKED_CODE) {
        state.method = id == IDC_USB ? 0 : 1;
        ShowMethod(ui, state.method);
        return true;
    }
    return false;
}

bool OnAppMessage(DialogState&, UiPort&, uint32_t, uintptr_t, intptr_t) { return false; }

void DialogTimerProc(DialogState&, UiPort& ui, uint32_t timerId) { ui.KillDialogTimer(timerId); }

void OnDestroy(DialogState&, UiPort&) {}
