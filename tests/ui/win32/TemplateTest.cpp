// The two dialog templates as resources and as the windows they create.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "DialogHarness.h"
#include "DialogTemplate.h"
#include "ui/controls/ControlIds.h"
#include "version/Version.h"

namespace {

enum Kind {
    GROUP_BOX,
    DEFAULT_BUTTON,
    BUTTON,
    RADIO,
    CHECK_BOX,
    DROP_LIST,
    SORTED_DROP_LIST,
    ADDRESS,
    PORT_EDIT,
    PATH_EDIT,
    SIZE_EDIT,
    FILE_LIST,
    LABEL,
    PROGRESS,
};

struct KindRule {
    const char16_t* className;
    DWORD typeMask;  // the low bits that name a button's or static's type
    DWORD type;
    DWORD required;
    DWORD forbidden;
};

KindRule RuleOf(Kind kind) {
    switch (kind) {
    case GROUP_BOX: return {u"Button", BS_TYPEMASK, BS_GROUPBOX, 0, WS_TABSTOP};
    case DEFAULT_BUTTON: return {u"Button", BS_TYPEMASK, BS_DEFPUSHBUTTON, WS_TABSTOP, 0};
    case BUTTON: return {u"Button", BS_TYPEMASK, BS_PUSHBUTTON, WS_TABSTOP, 0};
    case RADIO: return {u"Button", BS_TYPEMASK, BS_AUTORADIOBUTTON, 0, 0};
    case CHECK_BOX: return {u"Button", BS_TYPEMASK, BS_AUTOCHECKBOX, WS_TABSTOP, 0};
    case DROP_LIST:
        return {u"ComboBox", 3, CBS_DROPDOWNLIST, WS_VSCROLL | WS_TABSTOP, CBS_SORT};
    case SORTED_DROP_LIST:
        return {u"ComboBox", 3, CBS_DROPDOWNLIST, WS_VSCROLL | WS_TABSTOP | CBS_SORT, 0};
    case ADDRESS: return {u"SysIPAddress32", 0, 0, WS_TABSTOP, 0};
    case PORT_EDIT: return {u"Edit", 0, 0, ES_NUMBER | WS_BORDER | WS_TABSTOP, ES_READONLY};
    case PATH_EDIT: return {u"Edit", 0, 0, ES_READONLY | WS_BORDER, 0};
    case SIZE_EDIT:
        return {u"Edit", 0, 0, ES_NUMBER | ES_RIGHT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0};
    case FILE_LIST:
        return {u"ListBox", 0, 0,
                LBS_SORT | LBS_MULTIPLESEL | LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
                LBS_EXTENDEDSEL};
    case LABEL: return {u"Static", SS_TYPEMASK, SS_LEFT, 0, WS_TABSTOP};
    case PROGRESS: return {u"msctls_progress32", 0, 0, 0, 0};
    }
    return {};
}

struct Expected {
    int id;
    Kind kind;
    const char16_t* text;
    int x, y, cx, cy;
};

const Expected MAIN_DIALOG[] = {
    {-1, GROUP_BOX, u"接続方法", 6, 12, 48, 42},
    {IDC_REFRESH_DEVICES, DEFAULT_BUTTON, u"更新", 168, 18, 50, 14},
    {IDC_COM_PORT, DROP_LIST, u"", 72, 36, 150, 66},
    {IDC_IP_ADDRESS, ADDRESS, u"", 120, 18, 100, 15},
    {IDC_PORT, PORT_EDIT, u"", 120, 36, 66, 14},
    {IDC_CONNECT, DEFAULT_BUTTON, u"接続", 234, 12, 50, 14},
    {IDC_DISCONNECT, BUTTON, u"切断", 234, 30, 50, 14},
    {IDC_SAVE_PATH, PATH_EDIT, u"", 12, 72, 216, 14},
    {IDC_CHOOSE_FOLDER, DEFAULT_BUTTON, u"変更", 234, 72, 50, 14},
    {IDC_DATES, SORTED_DROP_LIST, u"", 42, 108, 63, 96},
    {IDC_TIMES, SORTED_DROP_LIST, u"", 42, 132, 63, 96},
    {IDC_FILES, FILE_LIST, u"", 138, 108, 72, 102},
    {IDC_SELECT_ALL, DEFAULT_BUTTON, u"すべて選択", 222, 108, 50, 14},
    {IDC_REFRESH_CATALOGUE, DEFAULT_BUTTON, u"更新", 222, 126, 50, 14},
    {IDC_LOG_SETTINGS, DEFAULT_BUTTON, u"ログ設定", 234, 48, 50, 14},
    {IDC_DOWNLOAD, DEFAULT_BUTTON, u"ダウンロード", 222, 174, 50, 14},
    {IDC_ABORT, DEFAULT_BUTTON, u"中断", 222, 192, 50, 14},
    {IDC_COM_LABEL, LABEL, u"COMポート:", 66, 18, 38, 8},
    {IDC_ADDRESS_LABEL, LABEL, u"IPアドレス:", 66, 18, 34, 8},
    {IDC_PORT_LABEL, LABEL, u"ポート番号:", 66, 36, 38, 8},
    {-1, LABEL, u"日付:", 18, 108, 20, 8},
    {-1, LABEL, u"時刻:", 18, 132, 20, 8},
    {IDC_BYTE_BAR, PROGRESS, u"", 18, 180, 96, 6},
    {IDC_BYTE_TEXT, LABEL, u"50%(512/1024byte)", 18, 187, 114, 8},
    {IDC_FILE_BAR, PROGRESS, u"", 18, 198, 96, 6},
    {IDC_FILE_TEXT, LABEL, u"5/10", 18, 204, 114, 8},
    {-1, LABEL, u"保存先:", 12, 60, 28, 8},
    {-1, GROUP_BOX, u"ログファイル選択", 6, 96, 276, 126},
    {IDC_STATUS_TEXT, LABEL, u"00000000.csv をダウンロード中...", 18, 168, 114, 8},
    {IDC_USB, RADIO, u"USB", 12, 24, 29, 10},
    {IDC_WIFI, RADIO, u"Wi-Fi", 12, 36, 32, 10},
};

const Expected LOG_SETTINGS_DIALOG[] = {
    {IDOK, DEFAULT_BUTTON, u"OK", 60, 60, 50, 14},
    {IDCANCEL, BUTTON, u"キャンセル", 120, 60, 50, 14},
    {IDC_LOG_COLLECT, CHECK_BOX, u"ログファイル収集機能を使用する", 12, 6, 117, 10},
    {IDC_LOG_SIZE, SIZE_EDIT, u"", 78, 24, 54, 14},
    {-1, LABEL, u"ログファイルサイズ:", 18, 24, 58, 8},
    {-1, LABEL, u"Kbyte", 134, 28, 20, 8},
    {-1, LABEL, u"(10 - 204800)", 84, 42, 45, 8},
};

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
            out += hex;
        }
    }
    return out;
}

bool SameClass(const std::u16string& a, const char16_t* b) {
    std::u16string other(b);
    if (a.size() != other.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; };
        if (lower(a[i]) != lower(other[i])) return false;
    }
    return true;
}

void ExpectItems(const DialogTemplate& dialog, const Expected* expected, size_t count) {
    ASSERT_EQ(dialog.items.size(), count);
    for (size_t i = 0; i < count; ++i) {
        const TemplateItem& item = dialog.items[i];
        const Expected& want = expected[i];
        const KindRule rule = RuleOf(want.kind);
        SCOPED_TRACE("template item " + std::to_string(i) + " (id " + std::to_string(want.id) +
                     ", " + Narrow(want.text) + ")");
        EXPECT_EQ(item.id, want.id);
        EXPECT_TRUE(SameClass(item.className, rule.className))
            << "class " << Narrow(item.className) << ", expected " << Narrow(rule.className);
        EXPECT_EQ(Narrow(item.text), Narrow(want.text));
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
        EXPECT_EQ(item.style & (WS_CHILD | WS_VISIBLE), DWORD(WS_CHILD | WS_VISIBLE));
        EXPECT_EQ(item.style & rule.typeMask, rule.type) << std::hex << "style " << item.style;
        EXPECT_EQ(item.style & rule.required, rule.required) << std::hex << "style " << item.style;
        EXPECT_EQ(item.style & rule.forbidden, 0u) << std::hex << "style " << item.style;
    }
}

void ExpectFixedModalFrame(const DialogTemplate& dialog) {
    const DWORD frame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    EXPECT_EQ(dialog.style & frame, frame) << std::hex << dialog.style;
    EXPECT_EQ(dialog.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
    EXPECT_FALSE(dialog.hasMenu);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(Narrow(dialog.typeface), "MS Shell Dlg");
}

TEST(Templates, MainDialogHoldsEveryControlInTabOrderWithItsStyleAndPlace) {
    DialogTemplate dialog{};
    ASSERT_TRUE(LoadDialogTemplate(IDD_MAIN, dialog));
    ExpectFixedModalFrame(dialog);
    EXPECT_EQ(Narrow(dialog.caption), "Dialog");
    EXPECT_EQ(dialog.cx, 291);
    EXPECT_EQ(dialog.cy, 230);
    ExpectItems(dialog, MAIN_DIALOG, sizeof MAIN_DIALOG / sizeof MAIN_DIALOG[0]);
    // The radio buttons form a group of their own, entered by tab at USB.
    ASSERT_EQ(dialog.items.size(), 31u);
    EXPECT_TRUE(dialog.items[29].style & WS_GROUP);
    EXPECT_TRUE(dialog.items[29].style & WS_TABSTOP);
}

TEST(Templates, LogSettingsDialogHoldsItsSevenControls) {
    DialogTemplate dialog{};
    ASSERT_TRUE(LoadDialogTemplate(IDD_LOG_SETTINGS, dialog));
    ExpectFixedModalFrame(dialog);
    EXPECT_EQ(Narrow(dialog.caption), Narrow(u"ログ設定"));
    EXPECT_EQ(dialog.cx, 177);
    EXPECT_EQ(dialog.cy, 80);
    ExpectItems(dialog, LOG_SETTINGS_DIALOG,
                sizeof LOG_SETTINGS_DIALOG / sizeof LOG_SETTINGS_DIALOG[0]);
}

// The created windows, in creation order, with the classes the common
// controls register and the places the dialog units map to.
void ExpectCreatedControls(int templateId, const Expected* expected, size_t count) {
    TestDialog dialog(templateId);
    ASSERT_NE(dialog.Window(), nullptr) << "CreateDialogParam failed, error " << GetLastError();
    size_t i = 0;
    for (HWND child = GetWindow(dialog.Window(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT), ++i) {
        ASSERT_LT(i, count) << "more controls than the template lists";
        const Expected& want = expected[i];
        SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(want.id) + ")");
        EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(child)), static_cast<WORD>(want.id));
        const std::string className = ClassName(child);
        std::u16string wide(className.begin(), className.end());
        EXPECT_TRUE(SameClass(wide, RuleOf(want.kind).className)) << className;
        if (want.kind != ADDRESS && want.kind != DROP_LIST && want.kind != SORTED_DROP_LIST &&
            want.kind != PORT_EDIT && want.kind != PATH_EDIT && want.kind != SIZE_EDIT) {
            EXPECT_EQ(Narrow(WindowTextW(child)), Narrow(want.text));
        }
        // The dialog manager converts a control's origin and its size each
        // on its own, so with uneven base units the right edge is the
        // converted origin plus the converted width.
        RECT origin{want.x, want.y, 0, 0};
        RECT size{0, 0, want.cx, want.cy};
        ASSERT_TRUE(MapDialogRect(dialog.Window(), &origin));
        ASSERT_TRUE(MapDialogRect(dialog.Window(), &size));
        const RECT expectedRect{origin.left, origin.top, origin.left + size.right,
                                origin.top + size.bottom};
        RECT actual;
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, dialog.Window(), reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expectedRect.left);
        EXPECT_EQ(actual.top, expectedRect.top);
        EXPECT_EQ(actual.right, expectedRect.right);
        // A drop-down list's own height is its edit field's; the template
        // height is the opened list's. A list box shows whole lines only.
        if (want.kind == FILE_LIST) {
            const LRESULT line = SendMessageA(child, LB_GETITEMHEIGHT, 0, 0);
            EXPECT_LE(actual.bottom, expectedRect.bottom);
            EXPECT_GT(actual.bottom, expectedRect.bottom - line);
        } else if (want.kind != DROP_LIST && want.kind != SORTED_DROP_LIST) {
            EXPECT_EQ(actual.bottom, expectedRect.bottom);
        }
    }
    EXPECT_EQ(i, count);
}

TEST(Templates, DialogsCreateEveryControlWithItsClassTextAndPlace) {
    // The dialogs' texts reach the program through the ANSI interfaces.
    EXPECT_EQ(GetACP(), 932u) << "the Japanese texts need code page 932";
    ExpectCreatedControls(IDD_MAIN, MAIN_DIALOG, sizeof MAIN_DIALOG / sizeof MAIN_DIALOG[0]);
    ExpectCreatedControls(IDD_LOG_SETTINGS, LOG_SETTINGS_DIALOG,
                          sizeof LOG_SETTINGS_DIALOG / sizeof LOG_SETTINGS_DIALOG[0]);

    TestDialog dialog(IDD_MAIN);
    ASSERT_NE(dialog.Window(), nullptr);
    EXPECT_EQ(WindowTextA(GetDlgItem(dialog.Window(), IDC_LOG_SETTINGS)), "ログ設定");
    RECT client;
    GetClientRect(dialog.Window(), &client);
    RECT units{0, 0, 291, 230};
    MapDialogRect(dialog.Window(), &units);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);
}

TEST(Templates, IconAndManifestAreInTheResources) {
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP),
                                               IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(IconWidth(icon), 16);
    DestroyIcon(icon);

    HRSRC manifest = FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1),
                                   MAKEINTRESOURCEA(24));
    ASSERT_NE(manifest, nullptr);
    const char* text = static_cast<const char*>(
        LockResource(LoadResource(GetModuleHandleA(nullptr), manifest)));
    const std::string xml(text, SizeofResource(GetModuleHandleA(nullptr), manifest));
    EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(xml.find("asInvoker"), std::string::npos);
    EXPECT_NE(xml.find("PerMonitorV2"), std::string::npos);

    // The manifest's dependency is what gives this process version 6 of
    // the common controls (progress-bar states among them): the library
    // comes from the side-by-side store, not from system32.
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    char loaded[MAX_PATH] = {};
    GetModuleFileNameA(comctl, loaded, sizeof loaded);
    CharLowerA(loaded);
    EXPECT_NE(std::strstr(loaded, "common-controls"), nullptr) << loaded;
    // Wine's version 6 still calls itself 5.81.
    if (UnderWine()) return;
    auto getVersion = reinterpret_cast<HRESULT(CALLBACK*)(DLLVERSIONINFO*)>(
        reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
    ASSERT_NE(getVersion, nullptr);
    DLLVERSIONINFO version{};
    version.cbSize = sizeof version;
    ASSERT_EQ(getVersion(&version), S_OK);
    EXPECT_GE(version.dwMajorVersion, 6u);
}

TEST(Templates, VersionResourceIsTheProjectVersion) {
    HRSRC found = FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    ASSERT_NE(found, nullptr);
    const auto* block = static_cast<const BYTE*>(
        LockResource(LoadResource(GetModuleHandleA(nullptr), found)));
    const DWORD size = SizeofResource(GetModuleHandleA(nullptr), found);
    std::string copy(reinterpret_cast<const char*>(block), size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(copy.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    // 1.02 is file version 1.2.0.0, and "1.02" in the texts that Explorer shows.
    EXPECT_EQ(fixed->dwFileVersionMS, DWORD(QV_VERSION_MAJOR) << 16 | DWORD(QV_VERSION_MINOR));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));
    // The block as stored is UTF-16: read its texts through the wide call.
    for (const wchar_t* key : {L"\\StringFileInfo\\041104b0\\FileVersion",
                               L"\\StringFileInfo\\041104b0\\ProductVersion"}) {
        wchar_t* text = nullptr;
        ASSERT_TRUE(VerQueryValueW(copy.data(), key, reinterpret_cast<void**>(&text), &length));
        EXPECT_EQ(std::wstring(text), std::wstring(L"" QV_VERSION_TEXT));
    }
}

}  // namespace
