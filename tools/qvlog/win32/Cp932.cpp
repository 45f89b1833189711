#include "tools/qvlog/Cp932.h"

#include <windows.h>

#include "tools/qvlog/win32/Wide.h"

namespace {

constexpr UINT SHIFT_JIS_CODE_PAGE = 932;

}  // namespace

bool Cp932ToUtf8(const std::string& text, std::string& utf8) {
    utf8.clear();
    if (text.empty()) return true;
    const int size = static_cast<int>(text.size());
    // Strict: an undefined sequence must fail, not become a question mark.
    const int count = MultiByteToWideChar(SHIFT_JIS_CODE_PAGE, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (count <= 0) return false;
    std::wstring wide(static_cast<size_t>(count), L'\0');
    if (MultiByteToWideChar(SHIFT_JIS_CODE_PAGE, MB_ERR_INVALID_CHARS, text.data(), size, &wide[0], count) != count)
        return false;
    utf8 = Utf8FromWide(wide);
    return true;
}
