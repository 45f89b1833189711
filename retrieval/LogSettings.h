// Reading and changing the instrument's two log-collection settings: the
// collection switch and the log file size.
#pragma once

#include <cstdint>

#include "link/Frame.h"
#include "ui/controls/UiPort.h"

struct DialogState;

void RequestLogCollectionState(DialogState& state, UiPort& ui);
void RequestLogFileSize(DialogState& state, UiPort& ui);
void SendLogCollectionState(DialogState& state, UiPort& ui, int flag);
void SendLogFileSize(DialogState& state, UiPort& ui, uint32_t sizeBytes);

// Replies to 0x80..0x83, each handled by its own rule whenever it arrives.
void OnLogSettingsReply(DialogState& state, UiPort& ui, const CommandRequest& reply);
