// A timed sleep ends some tens of microseconds after it was asked to (timer
// and scheduler latency: about 40 us on a virtual machine), and every
// --turnaround and --baud pause would grow by that much: the simulated
// instrument would be slower than the one asked for. WakeAhead learns how
// late wakes come and asks for each wake that much early; the caller then
// waits out what is left on the clock, so no pause is ever cut short.
#pragma once

#include <algorithm>
#include <cstdint>

namespace qvsim {

class WakeAhead {
public:
    // The most a wake is brought forward, and so the longest wait on the
    // clock: a machine that was suspended must not teach a long one.
    static constexpr int64_t LONGEST_LEAD_US = 500;

    // When to ask the system to wake for something due at `deadline`.
    int64_t WakeFor(int64_t deadline) const { return deadline - Lead(); }

    // A wait asked to end at `asked` ended at `woke`.
    void Learn(int64_t asked, int64_t woke) {
        const int64_t late = std::clamp<int64_t>(woke - asked, 0, LONGEST_LEAD_US);
        // A running mean over about the last eight wakes, kept eight times over
        // so the steps below one microsecond are not lost.
        m_leadTimesEight += late - m_leadTimesEight / 8;
    }

    int64_t Lead() const { return m_leadTimesEight / 8; }

private:
    int64_t m_leadTimesEight = 0;
};

}  // namespace qvsim
