#include "retrieval/FinishedFile.h"

#include <windows.h>

bool ReplaceWithFinishedFile(const char* from, const char* to) {
    // The C library's rename refuses an existing target on Windows.
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}
