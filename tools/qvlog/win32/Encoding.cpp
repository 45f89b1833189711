#include "tools/qvlog/Encoding.h"

#include <windows.h>
#include <shellapi.h>

#include <optional>

#include "tools/qvlog/win32/Wide.h"

namespace {

// The code page of the dialog's narrow texts.
constexpr UINT DIALOG_CODE_PAGE = 932;

// Nothing when the text cannot be converted.
std::optional<std::wstring> WideFrom(UINT codePage, DWORD flags, const std::string& text) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int count = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (count <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), size, &wide[0], count);
    return wide;
}

// Nothing as well when a character had to be replaced (UTF-8 never replaces).
std::optional<std::string> NarrowFrom(UINT codePage, DWORD flags, const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    BOOL* const lossyOut = codePage == CP_UTF8 ? nullptr : &lossy;  // CP_UTF8 takes no such flag
    const int count = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, lossyOut);
    if (count <= 0 || lossy) return std::nullopt;
    std::string text(static_cast<size_t>(count), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, &text[0], count, nullptr, lossyOut);
    if (lossy) return std::nullopt;
    return text;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& utf8) { return WideFrom(CP_UTF8, 0, utf8).value_or(L""); }

std::string Utf8FromWide(const std::wstring& wide) { return NarrowFrom(CP_UTF8, 0, wide).value_or(""); }

std::string DialogTextToUtf8(const std::string& text) {
    return Utf8FromWide(WideFrom(DIALOG_CODE_PAGE, 0, text).value_or(L""));
}

bool Utf8ToDialogText(const std::string& utf8, std::string& text) {
    const std::optional<std::wstring> wide = WideFrom(CP_UTF8, MB_ERR_INVALID_CHARS, utf8);
    // No best fit: a character code page 932 lacks must fail here, not turn
    // into a look-alike that names some other folder.
    const std::optional<std::string> narrow =
        wide ? NarrowFrom(DIALOG_CODE_PAGE, WC_NO_BEST_FIT_CHARS, *wide) : std::nullopt;
    if (!narrow) return false;
    text = *narrow;
    // The dialog's file functions read narrow names in the ANSI code page:
    // where that is not 932 the same bytes may name another folder.
    return WideFrom(CP_ACP, 0, text) == wide;
}

std::filesystem::path PathFromUtf8(const std::string& utf8) { return std::filesystem::path(WideFromUtf8(utf8)); }

std::string Utf8FromPath(const std::filesystem::path& path) { return Utf8FromWide(path.wstring()); }

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return args;
}
