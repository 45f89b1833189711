// The main dialog's procedure around the dialog logic: what the Windows side
// itself adds at WM_INITDIALOG and gives back at WM_DESTROY, with setting.ini
// in a start folder of its own.
#include "ui/win32/MainDialogProc.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DialogHarness.h"
#include "tests/support/TempFolder.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/DialogState.h"
#include "ui/MainDialog.h"
#include "version/Version.h"

namespace {

class MainDialogProcTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.Made()); }
    void TearDown() override { Close(); }

    // Stores `mainPosition` (unless null), starts up from the folder and
    // creates the real dialog from the product's template.
    HWND Open(const char* mainPosition = nullptr) {
        Close();
        if (mainPosition != nullptr)
            WritePrivateProfileStringA("window", "mainPosition", mainPosition, Settings().c_str());
        state = std::make_unique<DialogState>();
        StartUp(*state, folder.Text().c_str());
        dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                    MainDialogProc, reinterpret_cast<LPARAM>(state.get()));
        return dialog;
    }
    void Close() {
        if (dialog != nullptr) DestroyWindow(dialog);
        dialog = nullptr;
    }
    std::string Settings() const { return folder.File("setting.ini"); }
    std::string StoredPosition() const {
        char text[128] = {};
        GetPrivateProfileStringA("window", "mainPosition", "", text, sizeof text, Settings().c_str());
        return text;
    }

    TempFolder folder;
    std::unique_ptr<DialogState> state;
    HWND dialog = nullptr;
};

TEST_F(MainDialogProcTest, SetsTheSmallIconAndTheCaptionAndReleasesThemOnDestroy) {
    ASSERT_NE(Open(), nullptr);
    auto icon = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0), 0) << "no large icon is set";
    EXPECT_EQ(IconWidth(icon), 16);
    EXPECT_NE(WindowTextA(dialog).find("Ver. " QV_VERSION_TEXT), std::string::npos) << WindowTextA(dialog);
    EXPECT_EQ(WindowTextA(dialog).rfind("QV-500", 0), 0u);

    // IDOK is not one of the dialog's commands; the window stays.
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(DestroyWindow(dialog));
    dialog = nullptr;
    EXPECT_EQ(IconWidth(icon), 0) << "the small icon outlived the dialog";
}

TEST_F(MainDialogProcTest, StoredPositionPlacesTheDialogButNeitherSizesNorMinimizesIt) {
    RECT at;
    ASSERT_NE(Open("-20,-5,300,400,normal"), nullptr);
    ASSERT_TRUE(GetWindowRect(dialog, &at));
    EXPECT_EQ(at.left, 0);
    EXPECT_EQ(at.top, 0);
    const LONG width = at.right - at.left;
    const LONG height = at.bottom - at.top;

    ASSERT_NE(Open("100,50,10,10,minimized"), nullptr);
    ASSERT_TRUE(GetWindowRect(dialog, &at));
    EXPECT_EQ(at.left, 100);
    EXPECT_EQ(at.top, 50);
    EXPECT_EQ(at.right - at.left, width) << "the template's size, not the stored one";
    EXPECT_EQ(at.bottom - at.top, height);
    EXPECT_FALSE(IsIconic(dialog)) << "the stored show state was applied";

    // A position from a monitor that is no longer there.
    ASSERT_NE(Open("30000,20000,30440,20300,normal"), nullptr);
    GetWindowRect(dialog, &at);
    HMONITOR monitor = MonitorFromRect(&at, MONITOR_DEFAULTTONULL);
    ASSERT_NE(monitor, nullptr) << "left at " << at.left << "," << at.top;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoA(monitor, &info));
    EXPECT_GE(at.left, info.rcWork.left);
    EXPECT_GE(at.top, info.rcWork.top);
    EXPECT_LE(at.right, info.rcWork.right);
    EXPECT_LE(at.bottom, info.rcWork.bottom);
    EXPECT_EQ(at.right - at.left, width);
}

TEST_F(MainDialogProcTest, ClosingWhileMinimizedWritesTheRestoredRectangleAndMinimized) {
    ASSERT_NE(Open("100,50,10,10,normal"), nullptr);
    RECT restored;
    ASSERT_TRUE(GetWindowRect(dialog, &restored));
    ShowWindow(dialog, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(dialog));
    Close();
    EXPECT_EQ(StoredPosition(), "100,50," + std::to_string(restored.right) + "," +
                                    std::to_string(restored.bottom) + ",minimized");
}

}  // namespace
