// Threads of this process, so link tests can show that a shut-down link
// leaves none behind.
#pragma once

#include <cstddef>

size_t ProcessThreadCount();
// The same, after a thread has been started and joined, so that a helper
// thread a runtime starts with the first thread (the thread sanitizer's) is
// counted already.
size_t SettledProcessThreadCount();
