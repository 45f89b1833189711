// What this process uses: its threads (a shut-down link or session leaves
// none behind), its CPU time (an idle receive thread from a spinning one)
// and, on Linux, its memory. Read from the system (tests/support/posix,
// tests/support/win32).
#pragma once

#include <cstddef>

// Threads of this process that are running now.
size_t ThreadCount();
// The same, taken after a thread has been started and joined, so that a
// helper thread a runtime starts with the first thread (the thread
// sanitizer's) is counted already.
size_t SettledThreadCount();
// CPU time of every thread of this process so far, user and system.
double CpuMilliseconds();
// Resident memory now and at its peak, in kilobytes. Linux only.
size_t ResidentKilobytes();
size_t PeakResidentKilobytes();
