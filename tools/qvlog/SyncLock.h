// One sync at a time in an instrument's folder: a lock file held for as long
// as the sync works there, so a scheduled sync that overlaps one started by
// hand finds the instrument busy instead of writing its folder too. The
// system lets go of it when the process ends, however it ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <system_error>

class SyncLock {
public:
    // Tries to take the folder's lock: Held(), or Busy() when another
    // holds it, or neither, with the system's Error().
    explicit SyncLock(const std::filesystem::path& folder);
    ~SyncLock();
    SyncLock(const SyncLock&) = delete;
    SyncLock& operator=(const SyncLock&) = delete;
    bool Held() const { return m_handle != INVALID; }
    bool Busy() const { return m_busy; }
    const std::error_code& Error() const { return m_error; }

    static constexpr const char* FILE_NAME = ".qvlog-sync.lock";

private:
    static constexpr intptr_t INVALID = -1;
    intptr_t m_handle = INVALID;
    bool m_busy = false;
    std::error_code m_error;
};
