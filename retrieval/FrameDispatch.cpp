#include "retrieval/FrameDispatch.h"

#include "retrieval/Catalogue.h"
#include "retrieval/CommandRequests.h"
#include "retrieval/Commands.h"
#include "retrieval/Download.h"
#include "retrieval/LogSettings.h"
#include "retrieval/Tell.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/ControlStates.h"
#include "ui/controls/DialogState.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

// Copies a notified frame out of its slot; false for a frame of a link that
// is gone or another link's.
bool TakeNotifiedFrame(DialogState& state, intptr_t lParam, CommandRequest& frame) {
    return state.link && state.link->TakeFrame(lParam, &frame);
}

void OnConnectReply(DialogState& state, UiPort& ui, const CommandRequest& reply) {
    if (reply.status != CONNECT_ACCEPTED && reply.status != CONNECT_ACCEPTED_ALSO) {
        // Not accepted yet: a later acceptance still connects, untimed, as
        // the user may only wait or disconnect.
        state.awaitedReplies.set(CMD_CONNECT);
        return;
    }
    state.connected = true;
    Tell(state, &RetrievalObserver::Connected);
    SetControlState(state, ui, CONTROLS_BUSY);
    RequestDates(state, ui);
}

void OnDisconnectReply(DialogState& state, UiPort& ui) {
    state.connected = false;
    ForgetAwaitedReplies(state, ui);
    CancelAbort(state, ui);
    StopBlockWatch(state, ui);
    state.blockSequence = NO_SEQUENCE;
    CloseOutputFile(state);
    ReleaseLink(state);
    Tell(state, &RetrievalObserver::Disconnected, false);
    SetControlState(state, ui, CONTROLS_DISCONNECTED);
}

}  // namespace

void OnDeviceResponse(DialogState& state, UiPort& ui, intptr_t lParam) {
    CommandRequest reply;
    if (!TakeNotifiedFrame(state, lParam, reply)) return;
    // A reply nobody waits for (a firmware fault, or a late one) must not
    // restart the catalogue or end a run under way.
    if (!TakeAwaitedReply(state, ui, reply.command)) return;
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
    state.awaitedReplies.reset();
    state.blockSequence = NO_SEQUENCE;
    ReleaseLink(state);
    // Nothing can arrive any more: a watch of the blocks or of an abort
    // would only report the same loss a second time.
    StopBlockWatch(state, ui);
    EndPendingAbort(state, ui);
    CloseOutputFile(state);
    SetControlState(state, ui, CONTROLS_DISCONNECTED);
    ShowProgressWidgets(ui, false);
    Tell(state, &RetrievalObserver::Disconnected, true);
    EndWith(state, ui, EndReason::NO_REPLY, MSG_NO_RESPONSE);
}

