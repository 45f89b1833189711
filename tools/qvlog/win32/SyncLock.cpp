#include "tools/qvlog/SyncLock.h"

#include <windows.h>

SyncLock::SyncLock(const std::filesystem::path& folder) {
    // No sharing: a second opener is refused for as long as this one holds it.
    const HANDLE file = CreateFileW((folder / FILE_NAME).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        m_handle = reinterpret_cast<intptr_t>(file);
        return;
    }
    const DWORD error = GetLastError();
    m_busy = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    if (!m_busy) m_error = std::error_code(static_cast<int>(error), std::system_category());
}

SyncLock::~SyncLock() {
    if (Held()) CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}
