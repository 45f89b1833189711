// The main dialog's procedure around the dialog logic: what the Windows side
// itself adds at WM_INITDIALOG and gives back at WM_DESTROY.
#include "ui/win32/MainDialogProc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "DialogHarness.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/DialogState.h"
#include "ui/MainDialog.h"
#include "version/Version.h"

namespace {

TEST(MainDialogProc, SetsTheSmallIconAndTheCaptionAndReleasesThemOnDestroy) {
    // The dialog logic keeps its settings in the start folder: a fresh one.
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    const std::string start = std::string(folder) + "qv-maindialog-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(start.c_str(), nullptr);
    auto state = std::make_unique<DialogState>();
    StartUp(*state, start.c_str());

    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                     MainDialogProc, reinterpret_cast<LPARAM>(state.get()));
    ASSERT_NE(dialog, nullptr);
    auto icon = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0), 0) << "no large icon is set";
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 16);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
    EXPECT_NE(WindowTextA(dialog).find("Ver. " QV_VERSION_TEXT), std::string::npos) << WindowTextA(dialog);
    EXPECT_EQ(WindowTextA(dialog).rfind("QV-500", 0), 0u);

    // IDOK is not one of the dialog's commands; the window stays.
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(DestroyWindow(dialog));
    EXPECT_EQ(GetIconInfo(icon, &info), FALSE) << "the small icon outlived the dialog";

    char settings[MAX_PATH];
    std::snprintf(settings, sizeof settings, "%s\\setting.ini", start.c_str());
    DeleteFileA(settings);
    RemoveDirectoryA(start.c_str());
}

}  // namespace
