// Access to one private-profile (INI) file: on Windows the platform's own
// functions, elsewhere the project's IniFile, which behaves as they do.
#pragma once

#include <cstddef>
#include <cstdint>

// A profile path, as the Windows path functions produce it.
constexpr size_t PROFILE_PATH_SIZE = 260;

// Reads the value of key in section into buffer (size bytes), trimmed of
// surrounding blanks; section and key names match without regard to case.
// Returns the number of characters stored, at most size - 1; 0 when the file,
// section or key is missing or the value is empty, then buffer holds "". An
// empty path reads nothing.
uint32_t GetProfileText(const char* section, const char* key, char* buffer, uint32_t size,
                        const char* path);

// Replaces the key's line, or adds the key to its section, or the section to
// the file, creating the file when needed. False when nothing was written; an
// empty path writes nothing.
bool WriteProfileText(const char* section, const char* key, const char* value,
                      const char* path);

// Joins directory and file name into out (PROFILE_PATH_SIZE bytes) with the
// platform's separator. False, and out empty, when the result would not fit.
bool JoinProfilePath(const char* directory, const char* fileName, char* out);
