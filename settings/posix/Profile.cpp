#include "settings/Profile.h"

#include <cstring>

#include "settings/IniFile.h"

uint32_t GetProfileText(const char* section, const char* key, char* buffer, uint32_t size,
                        const char* path) {
    return ReadIniText(path, section, key, buffer, size);
}

bool WriteProfileText(const char* section, const char* key, const char* value,
                      const char* path) {
    return WriteIniText(path, section, key, value);
}

// The Windows side uses PathCombineA. For what it is given here (a working
// directory and a bare file name) that is the directory, one separator unless
// it already ends in one, and the name; a result that would not fit in
// PROFILE_PATH_SIZE bytes fails and leaves out empty, as here.
bool JoinProfilePath(const char* directory, const char* fileName, char* out) {
    if (out == nullptr) return false;
    out[0] = '\0';
    if (directory == nullptr || fileName == nullptr) return false;
    const size_t directoryLength = std::strlen(directory);
    const size_t nameLength = std::strlen(fileName);
    const size_t separator = directoryLength > 0 && directory[directoryLength - 1] != '/' ? 1 : 0;
    if (directoryLength + separator + nameLength >= PROFILE_PATH_SIZE) return false;
    std::memcpy(out, directory, directoryLength);
    if (separator) out[directoryLength] = '/';
    std::memcpy(out + directoryLength + separator, fileName, nameLength + 1);
    return true;
}
