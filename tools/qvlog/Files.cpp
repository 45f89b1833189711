#include "tools/qvlog/Files.h"

#include <chrono>

namespace fs = std::filesystem;

WriteProblem ProblemOfError(const std::error_code& error) {
    if (!error) return WriteProblem::NONE;
    const std::error_condition condition = error.default_error_condition();
    if (condition == std::errc::no_such_file_or_directory) return WriteProblem::NO_FOLDER;
    if (condition == std::errc::not_a_directory || condition == std::errc::file_exists)
        return WriteProblem::NOT_A_FOLDER;
    if (condition == std::errc::permission_denied || condition == std::errc::operation_not_permitted)
        return WriteProblem::PERMISSION_DENIED;
    if (condition == std::errc::no_space_on_device) return WriteProblem::DISK_FULL;
    if (condition == std::errc::read_only_file_system) return WriteProblem::READ_ONLY;
    if (condition == std::errc::filename_too_long) return WriteProblem::PATH_TOO_LONG;
    return WriteProblem::UNKNOWN;
}

const char* ProblemReason(WriteProblem problem) {
    switch (problem) {
    case WriteProblem::NONE: return "no problem";
    case WriteProblem::NO_FOLDER: return "no such folder";
    case WriteProblem::NOT_A_FOLDER: return "not a folder";
    case WriteProblem::PERMISSION_DENIED: return "permission denied";
    case WriteProblem::DISK_FULL: return "disk full";
    case WriteProblem::READ_ONLY: return "read-only file system";
    case WriteProblem::PATH_TOO_LONG: return "path too long";
    case WriteProblem::IN_USE_BY_DOWNLOAD: return "in use by another download";
    case WriteProblem::NAME_NOT_REPLACEABLE: return "cannot replace the existing file";
    case WriteProblem::NOT_RENAMED: return "not renamed";
    case WriteProblem::UNKNOWN: break;
    }
    return "write failed";
}

Text ProblemText(WriteProblem problem) {
    switch (problem) {
    case WriteProblem::NO_FOLDER: return Text::NO_FOLDER;
    case WriteProblem::NOT_A_FOLDER: return Text::NOT_A_FOLDER;
    case WriteProblem::PERMISSION_DENIED: return Text::PERMISSION_DENIED;
    case WriteProblem::DISK_FULL: return Text::DISK_FULL;
    case WriteProblem::READ_ONLY: return Text::READ_ONLY;
    case WriteProblem::PATH_TOO_LONG: return Text::PATH_TOO_LONG;
    case WriteProblem::IN_USE_BY_DOWNLOAD: return Text::IN_USE_BY_DOWNLOAD;
    case WriteProblem::NAME_NOT_REPLACEABLE: return Text::NAME_NOT_REPLACEABLE;
    case WriteProblem::NOT_RENAMED: return Text::NOT_RENAMED;
    default: return Text::WRITE_FAILED;
    }
}

WriteProblem FolderProblem(const fs::path& folder, uint64_t needBytes) {
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (!fs::exists(status)) return WriteProblem::NO_FOLDER;
    if (!fs::is_directory(status)) return WriteProblem::NOT_A_FOLDER;
    // A name no one else uses, so an existing file cannot answer for the folder.
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    const WriteProblem created =
        ProblemOfError(TryCreateFile(folder / (".qvlog-write-test-" + std::to_string(tick))));
    if (created != WriteProblem::NONE) return created;
    const fs::space_info space = fs::space(folder, error);
    if (!error && (space.available == 0 || space.available < needBytes)) return WriteProblem::DISK_FULL;
    return WriteProblem::NONE;
}

int64_t RegularFileSize(const fs::path& file) {
    std::error_code error;
    if (!fs::is_regular_file(file, error)) return -1;
    const uintmax_t size = fs::file_size(file, error);
    return error ? -1 : static_cast<int64_t>(size);
}
