// The part of the user-interface seam that other threads may use: posting a
// message to the dialog's thread. Messages are delivered in posting order.
#pragma once

#include <cstdint>

class DialogPoster {
public:
    virtual ~DialogPoster() = default;
    // Safe from any thread. False when the message could not be queued.
    virtual bool PostDialogMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    // Drops every queued message with an id from first to last. Called on the
    // dialog's thread, so nothing it drops is being handled.
    virtual void DiscardPosted(uint32_t first, uint32_t last) = 0;
};
