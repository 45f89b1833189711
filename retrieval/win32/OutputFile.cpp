#include "retrieval/OutputFile.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

// Others may read the file as it grows, and it may be renamed while held;
// no one else may write it.
constexpr DWORD HELD_SHARING = FILE_SHARE_READ | FILE_SHARE_DELETE;

bool Exists(DWORD attributes) { return attributes != INVALID_FILE_ATTRIBUTES; }

// Removes what stands at `path` without following it: a link (to a file or
// a folder), a file, an empty folder.
void RemoveWhatStands(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (!Exists(attributes)) return;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) RemoveDirectoryA(path);
    else DeleteFileA(path);
}

HANDLE OpenHeld(const char* path, DWORD disposition) {
    return CreateFileA(path, GENERIC_WRITE | DELETE, HELD_SHARING, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// A plain file with this one name, not a link.
bool OwnRegularFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return false;
    const DWORD notPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    return (info.dwFileAttributes & notPlain) == 0 && info.nNumberOfLinks == 1;
}

std::FILE* AsFile(HANDLE handle) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) _close(fd);
    return file;
}

}  // namespace

std::FILE* OpenPartialFile(const char* path, PartialOpen* result) {
    *result = PartialOpen::FAILED;
    const DWORD attributes = GetFileAttributesA(path);
    const bool plain = Exists(attributes) &&
                       (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (plain) {
        handle = OpenHeld(path, OPEN_EXISTING);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
            *result = PartialOpen::IN_USE;
            return nullptr;
        }
        if (handle != INVALID_HANDLE_VALUE && !OwnRegularFile(handle)) {
            CloseHandle(handle);
            handle = INVALID_HANDLE_VALUE;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        RemoveWhatStands(path);
        handle = OpenHeld(path, CREATE_NEW);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            const bool folder = Exists(GetFileAttributesA(path)) &&
                                (GetFileAttributesA(path) & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if ((error == ERROR_FILE_EXISTS || error == ERROR_SHARING_VIOLATION) && !folder)
                *result = PartialOpen::IN_USE;
            return nullptr;
        }
    }
    if (!SetEndOfFile(handle)) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = AsFile(handle);
    if (file != nullptr) *result = PartialOpen::OPENED;
    return file;
}

bool FinalNameReplaceable(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    // Nothing there, or nothing to tell: making the ".partial" will say.
    if (!Exists(attributes)) return true;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return false;
    // A program that has it open without delete sharing (a spreadsheet)
    // would make the rename fail at the end of the transfer.
    HANDLE probe = CreateFileA(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return false;
    CloseHandle(probe);
    return true;
}

bool ReplaceWithFinishedFile(const char* from, const char* to) {
    // The C library's rename refuses an existing target on Windows. The
    // source is held with delete sharing, which a rename needs.
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}
