#include "ui/controls/ControlStates.h"

#include <cstdio>

#include "ui/controls/ControlIds.h"
#include "ui/controls/DialogState.h"

namespace {

constexpr size_t TEXT_BUFFER = 100;

struct ControlGroupFlags {
    int id;
    bool enabled[4];
};

// One row per control, in the order they are set; the flags are those of
// the control's group (Connect, Disconnect, Connection, Save folder,
// Actions, Abort, Selection).
constexpr ControlGroupFlags CONTROL_STATE_TABLE[] = {
    {IDC_CONNECT, {1, 0, 0, 0}},
    {IDC_DISCONNECT, {0, 1, 0, 0}},
    {IDC_USB, {1, 0, 0, 0}},
    {IDC_WIFI, {1, 0, 0, 0}},
    {IDC_REFRESH_DEVICES, {1, 0, 0, 0}},
    {IDC_COM_PORT, {1, 0, 0, 0}},
    {IDC_IP_ADDRESS, {1, 0, 0, 0}},
    {IDC_PORT, {1, 0, 0, 0}},
    {IDC_CHOOSE_FOLDER, {1, 1, 0, 0}},
    {IDC_DOWNLOAD, {0, 1, 0, 0}},
    {IDC_ABORT, {0, 0, 1, 0}},
    {IDC_LOG_SETTINGS, {0, 1, 0, 0}},
    {IDC_SELECT_ALL, {0, 1, 0, 0}},
    {IDC_REFRESH_CATALOGUE, {0, 1, 0, 0}},
    {IDC_DATES, {0, 1, 0, 0}},
    {IDC_TIMES, {0, 1, 0, 0}},
    {IDC_FILES, {0, 1, 0, 0}},
};

constexpr int PROGRESS_WIDGETS[] = {IDC_BYTE_BAR, IDC_FILE_BAR, IDC_STATUS_TEXT, IDC_BYTE_TEXT,
                                    IDC_FILE_TEXT};

constexpr uint32_t MEBIBYTE_THRESHOLD = 0xA00000;  // 10485760
constexpr uint32_t KIBIBYTE_THRESHOLD = 0x19000;   // 102400

}  // namespace

void SetConnectionMethod(UiPort& ui, int method) {
    if (method != METHOD_USB && method != METHOD_WIFI) return;
    const bool usb = method == METHOD_USB;
    ui.SetCheck(IDC_USB, usb);
    ui.SetCheck(IDC_WIFI, !usb);
    ui.ShowControl(IDC_COM_LABEL, usb);
    ui.ShowControl(IDC_REFRESH_DEVICES, usb);
    ui.ShowControl(IDC_COM_PORT, usb);
    ui.ShowControl(IDC_ADDRESS_LABEL, !usb);
    ui.ShowControl(IDC_PORT_LABEL, !usb);
    ui.ShowControl(IDC_IP_ADDRESS, !usb);
    ui.ShowControl(IDC_PORT, !usb);
}

void SetControlState(DialogState& state, UiPort& ui, ControlState phase) {
    if (phase < CONTROLS_DISCONNECTED || phase > CONTROLS_ABORTING) return;
    state.phase = phase;
    for (const ControlGroupFlags& row : CONTROL_STATE_TABLE) ui.EnableControl(row.id, row.enabled[phase]);
}

void ShowProgressWidgets(UiPort& ui, bool show) {
    for (int id : PROGRESS_WIDGETS) ui.ShowControl(id, show);
}

int CurrentFileNumber(const DialogState& state) {
    const DownloadState& d = state.download;
    if (d.position < 0 || d.position >= d.selectedCount || d.position >= SELECTED_MAX)
        return state.selection.fileNumber;
    return d.selectedPositions[d.position];
}

void SetProgressStatus(const DialogState& state, UiPort& ui, int kind) {
    const char* word = "";
    ProgressBarState bar = PROGRESS_NORMAL;
    if (kind == PROGRESS_ERROR) {
        word = "エラー";
        bar = PROGRESS_ERROR;
    } else if (kind == PROGRESS_PAUSED) {
        word = "中断";
        bar = PROGRESS_PAUSED;
    }
    ui.SetProgressState(IDC_BYTE_BAR, bar);
    ui.SetProgressState(IDC_FILE_BAR, bar);
    char text[TEXT_BUFFER];
    std::snprintf(text, sizeof text, "%08d.csv %s", CurrentFileNumber(state), word);
    ui.SetControlText(IDC_STATUS_TEXT, text);
}

void ShowByteProgress(UiPort& ui, uint32_t received, uint32_t total, uint16_t fileNumber) {
    const uint32_t percent =
        total == 0 ? 0 : static_cast<uint32_t>(static_cast<uint64_t>(received) * 100 / total);
    const char* word = percent < 100 ? "をダウンロード中..." : "完了";
    int shift = 0;
    const char* unit = "";
    if (total > MEBIBYTE_THRESHOLD) {
        shift = 20;
        unit = "M";
    } else if (total > KIBIBYTE_THRESHOLD) {
        shift = 10;
        unit = "K";
    }
    ui.SetProgressPosition(IDC_BYTE_BAR, static_cast<int>(percent));
    char text[TEXT_BUFFER];
    std::snprintf(text, sizeof text, "%08d.csv %s", fileNumber, word);
    ui.SetControlText(IDC_STATUS_TEXT, text);
    std::snprintf(text, sizeof text, "%3u%% (%u / %u %sbyte)", percent, received >> shift, total >> shift, unit);
    ui.SetControlText(IDC_BYTE_TEXT, text);
}

void ShowFileCount(const DialogState& state, UiPort& ui, int32_t done) {
    char text[TEXT_BUFFER];
    std::snprintf(text, sizeof text, "%d / %d", done, state.download.selectedCount);
    ui.SetControlText(IDC_FILE_TEXT, text);
    ui.SetProgressPosition(IDC_FILE_BAR, done);
}
