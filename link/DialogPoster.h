// Where the link's parser thread tells the dialog of each frame: a sink the
// user interface implements, and the two notifications. Messages are
// delivered in posting order.
#pragma once

#include <cstdint>

constexpr uint32_t WM_APP_DEVICE_REQUEST = 0x8000;   // request frame from the instrument
constexpr uint32_t WM_APP_DEVICE_RESPONSE = 0x8001;  // response frame from the instrument

class DialogPoster {
public:
    virtual ~DialogPoster() = default;
    // Safe from any thread. False when the message could not be queued.
    virtual bool PostDialogMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    // Drops every queued message with an id from first to last. Called on the
    // dialog's thread, so nothing it drops is being handled.
    virtual void DiscardPosted(uint32_t first, uint32_t last) = 0;
};
