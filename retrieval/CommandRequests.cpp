#include "retrieval/CommandRequests.h"

#include <cstring>

#include "retrieval/Catalogue.h"
#include "retrieval/Commands.h"
#include "retrieval/Download.h"
#include "retrieval/LogSettings.h"
#include "ui/ControlIds.h"
#include "ui/ControlStates.h"
#include "ui/DialogMessages.h"
#include "ui/DialogState.h"
#include "ui/MessageCatalogue.h"

namespace {

void FillInstance(CommandRequest& instance, uint8_t command, uint8_t status, int32_t length,
                  const uint8_t* data) {
    instance.command = command;
    instance.status = status;
    instance.length = length;
    if (length == 0) return;
    if (data == nullptr || length < 0 || length > static_cast<int32_t>(FRAME_PAYLOAD_MAX)) {
        std::memset(instance.data, 0, sizeof instance.data);
        instance.length = 0;
        return;
    }
    std::memcpy(instance.data, data, static_cast<size_t>(length));
}

bool LinkIsOpen(const DialogState& state) { return state.link && state.link->m_open; }

void SendInstance(DialogState& state, uint8_t sync, const CommandRequest& instance) {
    if (!LinkIsOpen(state)) return;
    state.link->SendFrame(sync, instance.command, instance.status,
                          static_cast<uint32_t>(instance.length), instance.data);
}

// Copies a notified frame out of its slot; false for a frame of a link that
// is gone or another link's.
bool TakeNotifiedFrame(DialogState& state, intptr_t lParam, CommandRequest& frame) {
    return state.link && state.link->TakeFrame(lParam, &frame);
}

void StartConnection(DialogState& state, UiPort& ui, std::unique_ptr<DeviceLink> link) {
    state.link = std::move(link);
    state.outstandingRequest = NO_REQUEST;
    state.blockSequence = NO_SEQUENCE;
    PostRequest(state, ui, CMD_CONNECT, CONNECT_STATUS, 0, nullptr);
}

void OnConnectReply(DialogState& state, UiPort& ui, const CommandRequest& reply) {
    if (reply.status != CONNECT_ACCEPTED && reply.status != CONNECT_ACCEPTED_ALSO) return;
    state.connected = true;
    SetControlState(state, ui, CONTROLS_BUSY);
    RequestDates(state, ui);
}

void OnDisconnectReply(DialogState& state, UiPort& ui) {
    state.connected = false;
    ReleaseLink(state);
    SetControlState(state, ui, CONTROLS_DISCONNECTED);
}

}  // namespace

void PostRequest(DialogState& state, UiPort& ui, uint8_t command, uint8_t status, int32_t length,
                 const uint8_t* data) {
    FillInstance(state.requestInstance, command, status, length, data);
    ui.PostDialogMessage(WM_APP_SEND_REQUEST, reinterpret_cast<uintptr_t>(&state.requestInstance), 0);
}

void PostResponse(DialogState& state, UiPort& ui, uint8_t command, uint8_t status) {
    FillInstance(state.responseInstance, command, status, 0, nullptr);
    ui.PostDialogMessage(WM_APP_SEND_RESPONSE, reinterpret_cast<uintptr_t>(&state.responseInstance), 0);
}

void ReleaseLink(DialogState& state) {
    if (!state.link) return;
    state.link->Shutdown();
    state.link.reset();
}

void ConnectSerial(DialogState& state, UiPort& ui, int comPort, const char* devicePath) {
    state.connected = false;
    // A link still waiting for its disconnect reply goes first, so that reply
    // can never release the new connection.
    ReleaseLink(state);
    StartConnection(state, ui, state.linkFactory->OverSerial(comPort, devicePath, &ui));
}

void ConnectTcp(DialogState& state, UiPort& ui, const TcpTarget& target) {
    state.connected = false;
    ReleaseLink(state);
    StartConnection(state, ui, state.linkFactory->OverTcp(target, &ui));
}

void RequestDisconnect(DialogState& state, UiPort& ui) {
    PostRequest(state, ui, CMD_DISCONNECT, 0, 0, nullptr);
}

void OnSendRequest(DialogState& state, UiPort& ui) {
    // A new request ends whatever sequence of blocks ran before it.
    state.outstandingRequest = state.requestInstance.command;
    state.blockSequence = NO_SEQUENCE;
    SendInstance(state, SYNC_REQUEST, state.requestInstance);
    ui.SetDialogTimer(TIMER_REPLY, REPLY_TIMEOUT_MS);
}

void OnSendResponse(DialogState& state, UiPort&) {
    SendInstance(state, SYNC_RESPONSE, state.responseInstance);
}

void OnDeviceResponse(DialogState& state, UiPort& ui, intptr_t lParam) {
    CommandRequest reply;
    if (!TakeNotifiedFrame(state, lParam, reply)) return;
    ui.KillDialogTimer(TIMER_REPLY);
    // A reply nobody waits for (a firmware fault, or a late one) must not
    // restart the catalogue or end a run under way.
    if (reply.command != state.outstandingRequest) return;
    state.outstandingRequest = NO_REQUEST;
    switch (reply.command) {
    case CMD_CONNECT: OnConnectReply(state, ui, reply); break;
    case CMD_DISCONNECT: OnDisconnectReply(state, ui); break;
    case CMD_SET_LOG_ENABLE:
    case CMD_GET_LOG_ENABLE:
    case CMD_SET_LOG_SETTING:
    case CMD_GET_LOG_SETTING: OnLogSettingsReply(state, ui, reply); break;
    case CMD_GET_FILE_COUNT: OnFileCountReply(state, ui, reply); break;
    case CMD_GET_DATES:
    case CMD_GET_TIMES: OnListReply(state, ui, reply); break;
    case CMD_GET_FILE: OnFileReply(state, ui, reply); break;
    default: break;
    }
}

void OnDeviceRequest(DialogState& state, UiPort& ui, intptr_t lParam) {
    CommandRequest frame;
    if (!TakeNotifiedFrame(state, lParam, frame)) return;
    if (frame.command == CMD_DATA_BLOCK) OnDataBlock(state, ui, frame);
}

void OnReplyTimeout(DialogState& state, UiPort& ui) {
    ui.KillDialogTimer(TIMER_REPLY);
    state.connected = false;
    state.outstandingRequest = NO_REQUEST;
    state.blockSequence = NO_SEQUENCE;
    ReleaseLink(state);
    // Nothing can arrive any more: a watch of the blocks or of an abort
    // would only report the same loss a second time.
    ui.KillDialogTimer(TIMER_BLOCK);
    ui.KillDialogTimer(TIMER_ABORT);
    CloseOutputFile(state);
    SetControlState(state, ui, CONTROLS_DISCONNECTED);
    ShowProgressWidgets(ui, false);
    ShowCatalogueMessage(state, ui, MSG_NO_RESPONSE);
}

int MessageForReplyStatus(uint8_t status) {
    if (status == STATUS_NO_SD_CARD) return MSG_NO_SD_CARD;
    if (status == STATUS_UNSUPPORTED) return MSG_UNSUPPORTED;
    return MSG_TRANSFER_ERROR;
}
