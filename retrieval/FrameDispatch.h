// Where every frame from the instrument goes: replies to the handler of the
// request they answer, data blocks to the block exchange; and the reply
// time-out. The top of the conversations: it calls them all, none calls it.
#pragma once

#include <cstdint>

#include "ui/controls/UiPort.h"

struct DialogState;

void OnDeviceResponse(DialogState& state, UiPort& ui, intptr_t lParam);
void OnDeviceRequest(DialogState& state, UiPort& ui, intptr_t lParam);
void OnReplyTimeout(DialogState& state, UiPort& ui);
