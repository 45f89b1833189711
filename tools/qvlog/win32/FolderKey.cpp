#include "tools/qvlog/FleetFile.h"

#include <windows.h>

#include "tools/qvlog/win32/Wide.h"

// NTFS finds a name through its upper case, taken without regard to the
// user's language: the invariant locale does the same.
std::string FolderKey(const std::filesystem::path& folder) {
    const std::wstring wide = folder.wstring();
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    std::wstring upper(wide.size(), L'\0');
    if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide.data(), size, &upper[0], size) != size)
        return Utf8FromWide(wide);
    return Utf8FromWide(upper);
}
