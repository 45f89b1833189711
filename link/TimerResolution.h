// Holds the system timer at 1 ms for its lifetime, so the parser's 10 ms
// pass is 10 ms where the default tick is coarser (Windows: 15.6 ms).
#pragma once

class TimerResolution {
public:
    TimerResolution();
    ~TimerResolution();
    TimerResolution(const TimerResolution&) = delete;
    TimerResolution& operator=(const TimerResolution&) = delete;

private:
    [[maybe_unused]] bool m_raised = false;  // Windows only
};
