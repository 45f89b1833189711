#include "tests/support/ProcessStats.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <thread>

namespace {

size_t StatusField(const char* name) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return 0;
    char line[256];
    size_t value = 0;
    const size_t length = std::strlen(name);
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, name, length) == 0 && line[length] == ':') {
            std::sscanf(line + length + 1, "%zu", &value);
            break;
        }
    }
    std::fclose(status);
    return value;
}

}  // namespace

size_t ThreadCount() {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return 0;
    size_t count = 0;
    while (const dirent* entry = readdir(tasks))
        if (entry->d_name[0] != '.') ++count;
    closedir(tasks);
    return count;
}

size_t SettledThreadCount() {
    long helper = 0;
    std::thread([&helper] { helper = syscall(SYS_gettid); }).join();
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%ld", helper);
    SettlesWithin([&path] { return access(path, F_OK) != 0; });
    return ThreadCount();
}

double CpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

size_t ResidentKilobytes() { return StatusField("VmRSS"); }
size_t PeakResidentKilobytes() { return StatusField("VmHWM"); }
