#include "tests/comm/ProcessThreads.h"

#include <windows.h>
#include <tlhelp32.h>

#include <thread>

#include "comm/win32/OwnedHandle.h"

size_t ProcessThreadCount() {
    OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return 0;
    const DWORD self = GetCurrentProcessId();
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    size_t count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == self) ++count;
    return count;
}

size_t SettledProcessThreadCount() {
    std::thread([] {}).join();
    return ProcessThreadCount();
}
