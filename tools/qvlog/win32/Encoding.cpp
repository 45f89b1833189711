#include "tools/qvlog/Encoding.h"

#include <windows.h>
#include <shellapi.h>

#include "tools/qvlog/win32/Wide.h"

namespace {

// The code page of the dialog's narrow texts.
constexpr UINT DIALOG_CODE_PAGE = 932;

std::wstring WideFrom(UINT codePage, DWORD flags, const std::string& text, bool* ok) {
    if (ok) *ok = true;
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int count = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (count <= 0) {
        if (ok) *ok = false;
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), size, &wide[0], count);
    return wide;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& utf8) { return WideFrom(CP_UTF8, 0, utf8, nullptr); }

std::string Utf8FromWide(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    const int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (count <= 0) return std::string();
    std::string utf8(static_cast<size_t>(count), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, &utf8[0], count, nullptr, nullptr);
    return utf8;
}

std::string DialogTextToUtf8(const std::string& text) {
    return Utf8FromWide(WideFrom(DIALOG_CODE_PAGE, 0, text, nullptr));
}

bool Utf8ToDialogText(const std::string& utf8, std::string& text) {
    text.clear();
    bool ok = true;
    const std::wstring wide = WideFrom(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, &ok);
    if (!ok) return false;
    if (wide.empty()) return true;
    const int size = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    // No best fit: a character code page 932 lacks must fail here, not turn
    // into a look-alike that names some other folder.
    const int count = WideCharToMultiByte(DIALOG_CODE_PAGE, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0,
                                          nullptr, &lossy);
    if (count <= 0 || lossy) return false;
    text.assign(static_cast<size_t>(count), '\0');
    WideCharToMultiByte(DIALOG_CODE_PAGE, WC_NO_BEST_FIT_CHARS, wide.data(), size, &text[0], count, nullptr, &lossy);
    if (lossy) return false;
    // The dialog's file functions read narrow names in the ANSI code page:
    // where that is not 932 the same bytes may name another folder.
    const std::wstring asFilesRead = WideFrom(CP_ACP, 0, text, &ok);
    return ok && asFilesRead == wide;
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
