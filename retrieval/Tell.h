// How the dialog logic tells its observer, when it has one, and how it ends
// a conversation: the observer hears the ending before the message box,
// whose own message loop may run more of the conversation.
#pragma once

#include <utility>

#include "retrieval/RetrievalObserver.h"
#include "ui/controls/DialogState.h"
#include "ui/controls/MessageCatalogue.h"
#include "ui/controls/UiPort.h"

template <typename... Params, typename... Args>
void Tell(const DialogState& state, void (RetrievalObserver::*event)(Params...), Args&&... args) {
    if (state.observer != nullptr) (state.observer->*event)(std::forward<Args>(args)...);
}

// `message` -1 shows none.
inline void EndWith(DialogState& state, UiPort& ui, EndReason reason, int message, int replyStatus = -1) {
    Tell(state, &RetrievalObserver::Ended, reason, message, replyStatus);
    if (message >= 0) ShowCatalogueMessage(state, ui, message);
}
