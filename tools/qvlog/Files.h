// qvlog's own file work beside the dialog's: why a folder takes no files,
// and the few files qvlog writes or renames itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "tools/qvlog/Texts.h"

enum class WriteProblem {
    NONE,
    NO_FOLDER,
    NOT_A_FOLDER,
    PERMISSION_DENIED,
    DISK_FULL,
    READ_ONLY,
    PATH_TOO_LONG,
    IN_USE_BY_DOWNLOAD,    // another download holds the file
    NAME_NOT_REPLACEABLE,  // the finished file could not replace what has its name
    NOT_RENAMED,
    UNKNOWN,
};

WriteProblem ProblemOfError(const std::error_code& error);
// Short and stable, for scripts: "disk full", "no such folder".
const char* ProblemReason(WriteProblem problem);
Text ProblemText(WriteProblem problem);

// Why no file of `needBytes` can be written into `folder` now; NONE when a
// new file can be made there and the disk has room.
WriteProblem FolderProblem(const std::filesystem::path& folder, uint64_t needBytes);

// Creates `file` anew and removes it again: the system's answer. Platform.
std::error_code TryCreateFile(const std::filesystem::path& file);

// Size of a regular file; -1 when there is none.
int64_t RegularFileSize(const std::filesystem::path& file);
