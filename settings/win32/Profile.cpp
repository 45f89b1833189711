#include "settings/Profile.h"

#include <cstring>

#include <windows.h>
#include <shlwapi.h>

static_assert(PROFILE_PATH_SIZE == MAX_PATH, "PathCombineA writes MAX_PATH bytes");

uint32_t GetProfileText(const char* section, const char* key, char* buffer, uint32_t size,
                        const char* path) {
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    // An empty name would send the call to win.ini in the Windows folder, and
    // null names would list sections or keys instead of reading one.
    if (path == nullptr || *path == '\0' || section == nullptr || key == nullptr) return 0;
    return GetPrivateProfileStringA(section, key, "", buffer, size, path);
}

bool WriteProfileText(const char* section, const char* key, const char* value,
                      const char* path) {
    // Null key or value would delete a section or a key.
    if (path == nullptr || *path == '\0' || section == nullptr || key == nullptr ||
        value == nullptr) {
        return false;
    }
    return WritePrivateProfileStringA(section, key, value, path) != 0;
}

bool JoinProfilePath(const char* directory, const char* fileName, char* out) {
    if (out == nullptr) return false;
    out[0] = '\0';
    if (directory == nullptr || fileName == nullptr) return false;
    // Checked before the call, so that the outcome does not depend on how a
    // given Windows version treats an overlong result.
    if (std::strlen(directory) + 1 + std::strlen(fileName) >= PROFILE_PATH_SIZE) return false;
    if (PathCombineA(out, directory, fileName) == nullptr) {
        out[0] = '\0';
        return false;
    }
    return true;
}
