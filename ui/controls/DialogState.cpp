#include "ui/controls/DialogState.h"

std::unique_ptr<DialogState> NewDialogState() {
    std::unique_ptr<DialogState> state(new DialogState());  // value-initialised: all zero
    state->download.outputFile = nullptr;
    state->lastMessage = -1;
    state->outstandingRequest = NO_REQUEST;
    state->blockSequence = NO_SEQUENCE;
    return state;
}
