#include "retrieval/LogSettings.h"

#include "retrieval/CommandRequests.h"
#include "retrieval/Commands.h"
#include "retrieval/Tell.h"
#include "ui/controls/DialogState.h"
#include "ui/controls/LogSizeText.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

void OnCollectionStateRead(DialogState& state, UiPort& ui, const CommandRequest& reply) {
    // A reply too short to hold the value is as good as a refusal.
    if (reply.status != STATUS_OK || reply.length < 1) {
        EndWith(state, ui, EndReason::SETTINGS_FAILED, MSG_SETTINGS_READ_FAILED);
        return;
    }
    state.logCollectionEnabled = reply.data[0] == 1 ? 1 : 0;
    RequestLogFileSize(state, ui);
}

void OnFileSizeRead(DialogState& state, UiPort& ui, const CommandRequest& reply) {
    if (reply.status != STATUS_OK || reply.length < 5 || reply.data[0] != LOG_SETTING_FILE_SIZE) {
        EndWith(state, ui, EndReason::SETTINGS_FAILED, MSG_SETTINGS_READ_FAILED);
        return;
    }
    state.logFileSize = ReadBig32(reply.data + 1);
    LogSettingsAnswer answer{};
    answer.collect = state.logCollectionEnabled != 0;
    FormatLogSizeText(state.logFileSize, answer.sizeText, sizeof answer.sizeText);
    if (ui.RunLogSettingsDialog(answer) != 1) return;
    state.logCollectionEnabled = answer.collect ? 1 : 0;
    // Enter presses OK while the edit still has the focus, so its text may
    // never have been clamped; the instrument gets only a size in range.
    ClampLogSizeText(answer.sizeText, sizeof answer.sizeText);
    state.logFileSize = LogSizeFromText(answer.sizeText);
    SendLogCollectionState(state, ui, state.logCollectionEnabled);
}

}  // namespace

void RequestLogCollectionState(DialogState& state, UiPort& ui) {
    PostRequest(state, ui, CMD_GET_LOG_ENABLE, 0, 0, nullptr);
}

void RequestLogFileSize(DialogState& state, UiPort& ui) {
    const uint8_t payload[1] = {LOG_SETTING_FILE_SIZE};
    PostRequest(state, ui, CMD_GET_LOG_SETTING, 0, sizeof payload, payload);
}

void SendLogCollectionState(DialogState& state, UiPort& ui, int flag) {
    const uint8_t payload[5] = {static_cast<uint8_t>(flag != 0 ? 1 : 0), 0, 0, 0, 0};
    PostRequest(state, ui, CMD_SET_LOG_ENABLE, 0, sizeof payload, payload);
}

void SendLogFileSize(DialogState& state, UiPort& ui, uint32_t sizeBytes) {
    uint8_t payload[5] = {LOG_SETTING_FILE_SIZE, 0, 0, 0, 0};
    WriteBig32(payload + 1, sizeBytes);
    PostRequest(state, ui, CMD_SET_LOG_SETTING, 0, sizeof payload, payload);
}

void OnLogSettingsReply(DialogState& state, UiPort& ui, const CommandRequest& reply) {
    switch (reply.command) {
    case CMD_GET_LOG_ENABLE: OnCollectionStateRead(state, ui, reply); break;
    case CMD_GET_LOG_SETTING: OnFileSizeRead(state, ui, reply); break;
    case CMD_SET_LOG_ENABLE:
        if (reply.status != STATUS_OK) EndWith(state, ui, EndReason::SETTINGS_FAILED, MSG_SETTINGS_WRITE_FAILED);
        else SendLogFileSize(state, ui, state.logFileSize);
        break;
    case CMD_SET_LOG_SETTING:
        if (reply.status != STATUS_OK) EndWith(state, ui, EndReason::SETTINGS_FAILED, MSG_SETTINGS_WRITE_FAILED);
        break;
    default: break;
    }
}
