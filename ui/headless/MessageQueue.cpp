#include "ui/headless/MessageQueue.h"

bool MessageQueue::PostDialogMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_count == CAPACITY) return false;
        m_messages[(m_head + m_count) % CAPACITY] = PostedMessage{message, wParam, lParam};
        ++m_count;
    }
    m_posted.Raise();
    return true;
}

void MessageQueue::DiscardPosted(uint32_t first, uint32_t last) {
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t kept = 0;
    for (size_t i = 0; i < m_count; ++i) {
        const PostedMessage m = m_messages[(m_head + i) % CAPACITY];
        if (m.message >= first && m.message <= last) continue;
        m_messages[(m_head + kept) % CAPACITY] = m;
        ++kept;
    }
    m_count = kept;
}

bool MessageQueue::TryTake(PostedMessage& out) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_count == 0) return false;
    out = m_messages[m_head];
    m_head = (m_head + 1) % CAPACITY;
    --m_count;
    return true;
}

bool MessageQueue::WaitTake(PostedMessage& out, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    // A raise outlives the message it announced when TryTake took that one,
    // so a wake may find the queue empty: look again until the deadline.
    while (!TryTake(out)) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        m_posted.Wait(left);
    }
    return true;
}

size_t MessageQueue::Size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_count;
}
