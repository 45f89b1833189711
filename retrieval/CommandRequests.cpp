#include "retrieval/CommandRequests.h"

#include <cstring>

#include "retrieval/Commands.h"
#include "retrieval/Tell.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/DialogMessages.h"
#include "ui/controls/DialogState.h"
#include "ui/controls/MessageCatalogue.h"

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

// Replies to these start a sequence of blocks.
bool StartsASequence(uint8_t command) {
    return command == CMD_GET_DATES || command == CMD_GET_TIMES || command == CMD_GET_FILE_COUNT ||
           command == CMD_GET_FILE;
}

void StartConnection(DialogState& state, UiPort& ui, std::unique_ptr<DeviceLink> link) {
    state.link = std::move(link);
    ForgetAwaitedReplies(state, ui);
    state.blockSequence = NO_SEQUENCE;
    PostRequest(state, ui, CMD_CONNECT, CONNECT_STATUS, 0, nullptr);
}

}  // namespace

void PostRequest(DialogState& state, UiPort& ui, uint8_t command, uint8_t status, int32_t length,
                 const uint8_t* data) {
    FillInstance(state.requestInstance, command, status, length, data);
    ui.PostDialogMessage(WM_APP_SEND_REQUEST, reinterpret_cast<uintptr_t>(&state.requestInstance), 0);
}

void PostResponse(DialogState& state, UiPort& ui, uint8_t command, uint8_t status) {
    FillInstance(state.responseInstance, command, status, 0, nullptr);
    if (command == CMD_DATA_BLOCK && status == ACK_CANCEL) Tell(state, &RetrievalObserver::BlockRefused);
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

void ForgetAwaitedReplies(DialogState& state, UiPort& ui) {
    state.awaitedReplies.reset();
    ui.KillDialogTimer(TIMER_REPLY);
}

bool TakeAwaitedReply(DialogState& state, UiPort& ui, uint8_t command) {
    const bool awaited = state.awaitedReplies.test(command);
    state.awaitedReplies.reset(command);
    // The newest request is still watched while any other waits.
    if (state.awaitedReplies.none()) ui.KillDialogTimer(TIMER_REPLY);
    return awaited;
}

void OnSendRequest(DialogState& state, UiPort& ui) {
    const uint8_t command = state.requestInstance.command;
    state.awaitedReplies.set(command);
    // A new catalogue or file request ends whatever sequence of blocks ran
    // before it; the log settings may be asked for beside a download.
    if (StartsASequence(command)) state.blockSequence = NO_SEQUENCE;
    SendInstance(state, SYNC_REQUEST, state.requestInstance);
    ui.SetDialogTimer(TIMER_REPLY, REPLY_TIMEOUT_MS);
}

void OnSendResponse(DialogState& state, UiPort&) {
    SendInstance(state, SYNC_RESPONSE, state.responseInstance);
}

void EndOnReplyStatus(DialogState& state, UiPort& ui, uint8_t status) {
    int message = MSG_TRANSFER_ERROR;
    if (status == STATUS_NO_SD_CARD) message = MSG_NO_SD_CARD;
    if (status == STATUS_UNSUPPORTED) message = MSG_UNSUPPORTED;
    EndWith(state, ui, EndReason::REPLY_STATUS, message, status);
}
