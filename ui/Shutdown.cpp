#include "retrieval/CommandRequests.h"
#include "retrieval/Commands.h"
#include "retrieval/Download.h"
#include "ui/DialogState.h"
#include "ui/MainDialog.h"

void OnDestroy(DialogState& state, UiPort&) {
    // Straight through the link: the posted disconnect dies with the window.
    if (state.connected && state.link && state.link->m_open)
        state.link->SendFrame(SYNC_REQUEST, CMD_DISCONNECT, 0, 0, nullptr);
    CloseOutputFile(state);
    ReleaseLink(state);
}
