// The dialog's message queue in memory: bounded, thread-safe, in order.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "comm/WakeSignal.h"
#include "link/DialogPoster.h"

struct PostedMessage {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

class MessageQueue : public DialogPoster {
public:
    // As deep as a Windows thread's queue is in practice for this tool; a
    // full queue refuses the message, as PostMessage does.
    static constexpr size_t CAPACITY = 1024;

    bool PostDialogMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void DiscardPosted(uint32_t first, uint32_t last) override;

    // Takes the oldest message, if any.
    bool TryTake(PostedMessage& out);
    // Waits up to `timeout` for a message.
    bool WaitTake(PostedMessage& out, std::chrono::milliseconds timeout);
    size_t Size() const;

private:
    WakeSignal m_posted;         // raised by each post
    mutable std::mutex m_mutex;  // guards everything below
    PostedMessage m_messages[CAPACITY];
    size_t m_head = 0;
    size_t m_count = 0;
};
