#include "settings/FileReplace.h"

#include <string>

#include <windows.h>

namespace {

// Names tried for the temporary file; a few stay behind only after crashes.
constexpr int TEMP_NAMES = 16;
constexpr DWORD WRITE_CHUNK = 1 << 20;

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle() {
        if (Valid()) CloseHandle(m_handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool Valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }
    bool Close() {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) != 0;
    }

private:
    HANDLE m_handle;
};

bool WriteAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        const DWORD chunk = size < WRITE_CHUNK ? static_cast<DWORD>(size) : WRITE_CHUNK;
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace

bool WriteFileReplacing(const char* path, const char* data, size_t size) {
    if (path == nullptr || *path == '\0') return false;
    for (int attempt = 0; attempt < TEMP_NAMES; ++attempt) {
        const std::string temp = std::string(path) + ".~" + std::to_string(attempt);
        FileHandle file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return false;
        }
        bool written = WriteAll(file.get(), data, size) && FlushFileBuffers(file.get()) != 0;
        written = file.Close() && written;
        if (written && MoveFileExA(temp.c_str(), path,
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        DeleteFileA(temp.c_str());
        return false;
    }
    return false;
}
