// qvlog's own file work beside the dialog's: why a folder takes no files,
// and the sizes of the files it holds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "tools/qvlog/Outcome.h"

// The file cause of a system error (NO_FOLDER, DISK_FULL, ...); NONE for
// no error, WRITE_FAILED for one without a cause of its own.
Cause CauseOfFileError(const std::error_code& error);

// Why no file of `needBytes` can be written into `folder` now; NONE when a
// new file can be made there and the disk has room.
Cause FolderProblem(const std::filesystem::path& folder, uint64_t needBytes);

// Size of a regular file; -1 when there is none.
int64_t RegularFileSize(const std::filesystem::path& file);
