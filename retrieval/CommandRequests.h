// The tool's side of every request and reply: building and posting frames,
// sending them from the dialog's message handling, and opening and closing a
// connection.
#pragma once

#include <cstdint>

#include "comm/TcpTarget.h"
#include "ui/controls/UiPort.h"

struct DialogState;

// Fills the request instance and posts WM_APP_SEND_REQUEST. A length of 0
// leaves the old payload bytes unsent; a length above 1024 or a missing
// payload clears them and sends none (no builder does either).
void PostRequest(DialogState& state, UiPort& ui, uint8_t command, uint8_t status, int32_t length,
                 const uint8_t* data);
// Fills the response instance (length 0) and posts WM_APP_SEND_RESPONSE.
void PostResponse(DialogState& state, UiPort& ui, uint8_t command, uint8_t status);

void ConnectSerial(DialogState& state, UiPort& ui, int comPort, const char* devicePath);
void ConnectTcp(DialogState& state, UiPort& ui, const TcpTarget& target);
void RequestDisconnect(DialogState& state, UiPort& ui);

// Shuts the link down and frees it; nothing is sent.
void ReleaseLink(DialogState& state);

// A response to `command` came: true when a request of that command waits
// for it (it waits no more). TIMER_REPLY stops once no request waits.
bool TakeAwaitedReply(DialogState& state, UiPort& ui, uint8_t command);
// No request waits any more (a new link, or the old one gone).
void ForgetAwaitedReplies(DialogState& state, UiPort& ui);

// Message handlers.
void OnSendRequest(DialogState& state, UiPort& ui);
void OnSendResponse(DialogState& state, UiPort& ui);

// Shows the message for an unhandled non-zero reply status of the
// catalogue and file commands, the observer told which status it was.
void EndOnReplyStatus(DialogState& state, UiPort& ui, uint8_t status);
