#include "comm/WakeSignal.h"

#include <condition_variable>
#include <mutex>

struct WakeSignal::State {
    std::mutex mutex;
    std::condition_variable raised;
    bool flag = false;
};

WakeSignal::WakeSignal() : m_state(new State) {}
WakeSignal::~WakeSignal() = default;

void WakeSignal::Raise() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->flag = true;
    }
    m_state->raised.notify_one();
}

bool WakeSignal::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_state->mutex);
    const bool raised = m_state->raised.wait_for(lock, timeout, [this] { return m_state->flag; });
    m_state->flag = false;
    return raised;
}
