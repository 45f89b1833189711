#include "retrieval/FinishedFile.h"

#include <cstdio>

bool ReplaceWithFinishedFile(const char* from, const char* to) {
    // POSIX rename replaces the target atomically.
    return std::rename(from, to) == 0;
}
