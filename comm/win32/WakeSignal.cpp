#include "comm/WakeSignal.h"

#include <windows.h>

// The C++ library's condition variable on this toolchain wakes through a
// kernel semaphore, a round trip to the system per wake (under Wine, to
// wineserver, two per block handed between threads). A slim lock and a
// condition variable wake in user space.
struct WakeSignal::State {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE raised = CONDITION_VARIABLE_INIT;
    bool flag = false;
};

WakeSignal::WakeSignal() : m_state(new State) {}
WakeSignal::~WakeSignal() = default;

void WakeSignal::Raise() {
    AcquireSRWLockExclusive(&m_state->lock);
    m_state->flag = true;
    ReleaseSRWLockExclusive(&m_state->lock);
    WakeConditionVariable(&m_state->raised);
}

bool WakeSignal::Wait(std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    AcquireSRWLockExclusive(&m_state->lock);
    while (!m_state->flag) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        // A false return is a time-out, handled by the loop's own check.
        SleepConditionVariableSRW(&m_state->raised, &m_state->lock,
                                  static_cast<DWORD>(left.count()), 0);
    }
    const bool raised = m_state->flag;
    m_state->flag = false;
    ReleaseSRWLockExclusive(&m_state->lock);
    return raised;
}
