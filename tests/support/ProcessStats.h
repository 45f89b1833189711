// What this process uses: its threads (a shut-down link or session leaves
// none behind), its CPU time (an idle receive thread from a spinning one)
// and, on Linux, its memory. Read from the system (tests/support/posix,
// tests/support/win32).
#pragma once

#include <chrono>
#include <cstddef>
#include <thread>

// A thread that join has let go of can stay listed for a moment, longer
// when its last steps were on another core; never this long.
constexpr std::chrono::milliseconds THREADS_SETTLE_BOUND{1000};

// Threads of this process that are listed now, the ones just joined included.
size_t ThreadCount();
// The count to compare with later: a helper thread is started, joined and
// waited for until it is no longer listed, so that a helper a runtime
// starts with the first thread (the thread sanitizer's) is counted already
// and the joined one is not.
size_t SettledThreadCount();
// CPU time of every thread of this process so far, user and system.
double CpuMilliseconds();
// Resident memory now and at its peak, in kilobytes. Linux only.
size_t ResidentKilobytes();
size_t PeakResidentKilobytes();

// Polls `settled` until it holds, at most for `bound`; whether it held.
template <typename Condition>
bool SettlesWithin(Condition settled, std::chrono::milliseconds bound = THREADS_SETTLE_BOUND) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!settled()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The thread count once the threads just joined have left it: `expected`,
// or else what is listed when the bound has passed (a thread still runs).
inline size_t ThreadCountSettlesTo(size_t expected) {
    size_t count = 0;
    SettlesWithin([&] { return (count = ThreadCount()) == expected; });
    return count;
}
