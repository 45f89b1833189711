#include "ui/MainDialog.h"

#include <algorithm>
#include <cstdio>

#include "retrieval/Catalogue.h"
#include "retrieval/CommandRequests.h"
#include "retrieval/Download.h"
#include "retrieval/FrameDispatch.h"
#include "retrieval/LogSettings.h"
#include "settings/TextField.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/ControlStates.h"
#include "ui/controls/DialogMessages.h"
#include "ui/controls/DialogState.h"
#include "ui/controls/InetAddress.h"
#include "ui/controls/InstrumentList.h"
#include "version/Version.h"

namespace {

constexpr size_t HOST_TEXT_MAX = HOST_SIZE;
constexpr size_t NUMBER_TEXT_READ = 256;
constexpr const char* FOLDER_TITLE = "ログを保存するフォルダを指定してください。";

int ReadNumberField(UiPort& ui, int id) {
    char text[NUMBER_TEXT_READ];
    ui.GetControlText(id, text, sizeof text);
    return ParseDecimal(text, nullptr);
}

uint32_t Notification(uintptr_t wParam) { return static_cast<uint32_t>(wParam >> 16) & 0xFFFF; }

void OnConnect(DialogState& state, UiPort& ui) {
    if (state.settings.connection.method == METHOD_USB) {
        const DeviceEntry* device = SelectedDevice(ui, state.deviceList);
        if (device == nullptr) return;
        ConnectSerial(state, ui, device->comPort,
                      device->devicePath.empty() ? nullptr : device->devicePath.c_str());
    } else {
        TcpTarget target{ui.GetAddress(IDC_IP_ADDRESS), ReadNumberField(ui, IDC_PORT)};
        ConnectTcp(state, ui, target);
    }
    state.abortRequested = false;
    SetControlState(state, ui, CONTROLS_IDLE);
}

void OnComPortChanged(DialogState& state, UiPort& ui) {
    const DeviceEntry* device = SelectedDevice(ui, state.deviceList);
    // A port reached by path has no number worth saving.
    if (device != nullptr && device->comPort != NO_COM_PORT) state.settings.connection.com = device->comPort;
}

void StartCatalogueStep(DialogState& state, UiPort& ui) {
    state.abortRequested = false;
    SetControlState(state, ui, CONTROLS_BUSY);
    ShowProgressWidgets(ui, false);
}

void OnRefreshCatalogue(DialogState& state, UiPort& ui) {
    state.refreshPending = true;
    ui.GetControlText(IDC_DATES, state.rememberedDate, sizeof state.rememberedDate);
    ui.GetControlText(IDC_TIMES, state.rememberedTime, sizeof state.rememberedTime);
    StartCatalogueStep(state, ui);
    RequestDates(state, ui);
}

void ChooseSaveFolder(DialogState& state, UiPort& ui) {
    char path[PATH_TEXT_MAX];
    if (!ui.ChooseFolder(FOLDER_TITLE, path, sizeof path)) return;
    std::snprintf(state.settings.savePath, sizeof state.settings.savePath, "%s", path);
    ui.SetControlText(IDC_SAVE_PATH, state.settings.savePath);
}

}  // namespace

void InitMainDialog(DialogState& state, UiPort& ui) {
    const WindowPosition& stored = state.settings.windowPosition;
    const ScreenArea screen =
        ui.ScreenUnderCaption(std::max(stored.left, 0), std::max(stored.top, 0));
    const ScreenPoint at = DialogStartPosition(stored, ui.DialogWidth(), screen);
    ui.MoveDialog(at.x, at.y);
    char caption[100];
    std::snprintf(caption, sizeof caption, "QV-500ログファイルダウンローダー Ver. %d.%02d",
                  QV_VERSION_MAJOR, QV_VERSION_MINOR);
    ui.SetCaption(caption);
    FillComPortCombo(state, ui);
    SetConnectionMethod(ui, state.settings.connection.method);
    ui.SetAddress(IDC_IP_ADDRESS, ParseInetAddress(state.settings.connection.host));
    char port[16];
    std::snprintf(port, sizeof port, "%d", state.settings.connection.dService);
    ui.SetControlText(IDC_PORT, port);
    ui.SetControlText(IDC_SAVE_PATH, state.settings.savePath);
    ui.SetProgressRange(IDC_BYTE_BAR, 0, 100);
    ui.SetProgressPosition(IDC_BYTE_BAR, 0);
    ui.SetControlText(IDC_STATUS_TEXT, "");
    ui.SetControlText(IDC_BYTE_TEXT, "");
    ui.SetProgressRange(IDC_FILE_BAR, 0, 100);
    ui.SetProgressPosition(IDC_FILE_BAR, 0);
    ui.SetControlText(IDC_FILE_TEXT, "");
    SetControlState(state, ui, CONTROLS_DISCONNECTED);
    ShowProgressWidgets(ui, false);
}

bool OnCommand(DialogState& state, UiPort& ui, uintptr_t wParam) {
    const int id = static_cast<int>(wParam & 0xFFFF);
    const uint32_t code = Notification(wParam);
    switch (id) {
    case IDC_CANCEL:
        if (state.connected) RequestDisconnect(state, ui);
        ui.EndDialog(IDC_CANCEL);
        return true;
    case IDC_USB:
    case IDC_WIFI:
        if (code == BN_CLICKED_CODE) {
            state.settings.connection.method = id == IDC_USB ? METHOD_USB : METHOD_WIFI;
            SetConnectionMethod(ui, state.settings.connection.method);
        }
        return true;
    case IDC_DISCONNECT:
        RequestDisconnect(state, ui);
        CancelAbort(state, ui);
        SetControlState(state, ui, CONTROLS_DISCONNECTED);
        ShowProgressWidgets(ui, false);
        return true;
    case IDC_CONNECT: OnConnect(state, ui); return true;
    case IDC_REFRESH_DEVICES: FillComPortCombo(state, ui); return true;
    case IDC_COM_PORT:
        if (code == CBN_SELCHANGE_CODE) OnComPortChanged(state, ui);
        return true;
    case IDC_IP_ADDRESS:
        if (code == EN_KILLFOCUS_CODE)
            ui.GetControlText(IDC_IP_ADDRESS, state.settings.connection.host, HOST_TEXT_MAX);
        return true;
    case IDC_PORT:
        if (code == EN_KILLFOCUS_CODE) state.settings.connection.dService = ReadNumberField(ui, IDC_PORT);
        return true;
    case IDC_DATES:
    case IDC_TIMES:
        if (code != CBN_SELCHANGE_CODE) return true;
        StartCatalogueStep(state, ui);
        if (id == IDC_DATES) RequestTimes(state, ui);
        else RequestFileCount(state, ui);
        return true;
    case IDC_DOWNLOAD: StartDownload(state, ui); return true;
    case IDC_ABORT: RequestAbort(state, ui); return true;
    case IDC_CHOOSE_FOLDER: ChooseSaveFolder(state, ui); return true;
    case IDC_SELECT_ALL: ui.SelectAllEntries(IDC_FILES); return true;
    case IDC_LOG_SETTINGS: RequestLogCollectionState(state, ui); return true;
    case IDC_REFRESH_CATALOGUE: OnRefreshCatalogue(state, ui); return true;
    default: return false;
    }
}

bool OnAppMessage(DialogState& state, UiPort& ui, uint32_t message, uintptr_t, intptr_t lParam) {
    switch (message) {
    case WM_APP_DEVICE_REQUEST: OnDeviceRequest(state, ui, lParam); return true;
    case WM_APP_DEVICE_RESPONSE: OnDeviceResponse(state, ui, lParam); return true;
    case WM_APP_SEND_REQUEST: OnSendRequest(state, ui); return true;
    case WM_APP_SEND_RESPONSE: OnSendResponse(state, ui); return true;
    default: return false;
    }
}

void DialogTimerProc(DialogState& state, UiPort& ui, uint32_t timerId) {
    ui.KillDialogTimer(timerId);
    switch (timerId) {
    case TIMER_REPLY: OnReplyTimeout(state, ui); break;
    case TIMER_ABORT:
        // A run or step started since has cleared the abort: ending it now
        // would cut that run short and drop its blocks.
        if (state.abortRequested && !state.abortEnded) FinishAbort(state, ui);
        break;
    case TIMER_BLOCK: OnBlockTimeout(state, ui); break;
    default: break;
    }
}
