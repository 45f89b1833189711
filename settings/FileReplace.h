// Replaces a file's contents so that a failure leaves the old file as it was:
// the new bytes go to a temporary file in the same folder, reach the disk,
// and only then take the old file's name.
#pragma once

#include <cstddef>

// False, with the old file untouched and no temporary file left, when any
// step fails (folder missing or read-only, disk full, rename refused).
bool WriteFileReplacing(const char* path, const char* data, size_t size);
