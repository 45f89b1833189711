#include "tools/qvlog/Files.h"

#include <chrono>

#include "tools/qvlog/Platform.h"

namespace fs = std::filesystem;

Cause CauseOfFileError(const std::error_code& error) {
    if (!error) return Cause::NONE;
    const std::error_condition condition = error.default_error_condition();
    if (condition == std::errc::no_such_file_or_directory) return Cause::NO_FOLDER;
    if (condition == std::errc::not_a_directory || condition == std::errc::file_exists) return Cause::NOT_A_FOLDER;
    if (condition == std::errc::permission_denied || condition == std::errc::operation_not_permitted)
        return Cause::PERMISSION_DENIED;
    if (condition == std::errc::no_space_on_device) return Cause::DISK_FULL;
    if (condition == std::errc::read_only_file_system) return Cause::READ_ONLY;
    if (condition == std::errc::filename_too_long) return Cause::PATH_TOO_LONG;
    return Cause::WRITE_FAILED;
}

Cause FolderProblem(const fs::path& folder, uint64_t needBytes) {
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (!fs::exists(status)) return Cause::NO_FOLDER;
    if (!fs::is_directory(status)) return Cause::NOT_A_FOLDER;
    // A name no one else uses, so an existing file cannot answer for the folder.
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    const Cause created = CauseOfFileError(TryCreateFile(folder / (".qvlog-write-test-" + std::to_string(tick))));
    if (created != Cause::NONE) return created;
    const fs::space_info space = fs::space(folder, error);
    if (!error && (space.available == 0 || space.available < needBytes)) return Cause::DISK_FULL;
    return Cause::NONE;
}

int64_t RegularFileSize(const fs::path& file) {
    std::error_code error;
    if (!fs::is_regular_file(file, error)) return -1;
    const uintmax_t size = fs::file_size(file, error);
    return error ? -1 : static_cast<int64_t>(size);
}
