#include "tests/comm/ProcessThreads.h"

#include <dirent.h>

#include <thread>

size_t ProcessThreadCount() {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return 0;
    size_t count = 0;
    while (const dirent* entry = readdir(tasks))
        if (entry->d_name[0] != '.') ++count;
    closedir(tasks);
    return count;
}

size_t SettledProcessThreadCount() {
    std::thread([] {}).join();
    return ProcessThreadCount();
}
