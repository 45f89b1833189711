#include "tests/comm/ProcessCpuTime.h"

#include <windows.h>

namespace {

double Milliseconds(const FILETIME& time) {
    ULARGE_INTEGER ticks;
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    return static_cast<double>(ticks.QuadPart) / 1e4;  // 100 ns ticks
}

}  // namespace

double ProcessCpuMilliseconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    return Milliseconds(kernel) + Milliseconds(user);
}
