#include "tests/support/ProcessStats.h"

#include <windows.h>
#include <tlhelp32.h>

#include <thread>

#include "comm/win32/OwnedHandle.h"

namespace {

double Milliseconds(const FILETIME& time) {
    ULARGE_INTEGER ticks;
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    return static_cast<double>(ticks.QuadPart) / 1e4;  // 100 ns ticks
}

// Threads of this process in a snapshot; only the one of id `only`, if given.
size_t ThreadsListed(DWORD only) {
    OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return 0;
    const DWORD self = GetCurrentProcessId();
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    size_t count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == self && (only == 0 || entry.th32ThreadID == only)) ++count;
    return count;
}

}  // namespace

size_t ThreadCount() { return ThreadsListed(0); }

size_t SettledThreadCount() {
    DWORD helper = 0;
    std::thread([&helper] { helper = GetCurrentThreadId(); }).join();
    SettlesWithin([helper] { return ThreadsListed(helper) == 0; });
    return ThreadCount();
}

double CpuMilliseconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    return Milliseconds(kernel) + Milliseconds(user);
}
