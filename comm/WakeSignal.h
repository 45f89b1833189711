// A flag one thread raises and another waits for, with a time limit. A raise
// while nobody waits is kept for the next wait, so none is lost.
#pragma once

#include <chrono>
#include <memory>

class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // Any thread.
    void Raise();
    // Returns once raised since the last return, or when `timeout` has
    // passed, and lowers the flag; true when it was raised. One waiter.
    bool Wait(std::chrono::milliseconds timeout);

private:
    struct State;
    std::unique_ptr<State> m_state;  // made once, never on a frame's path
};
