// The modal windows the seam opens on the main dialog: message boxes, the
// log-settings dialog and the folder browser, driven from inside their loops.
#include "ui/win32/Win32UiPort.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "DialogHarness.h"
#include "ui/controls/LogSizeText.h"

namespace {

using ModalTest = MainDialogTest;

TEST_F(ModalTest, MessageBoxIsOwnedByTheDialogWithTheGivenTextAndOneButton) {
    std::string caption = "unset", text, secondButton = "unset";
    bool sawOwner = false;
    ModalDriver driver(dialog.Window(), [&](HWND box) {
        sawOwner = true;
        caption = WindowTextA(box);
        text = WindowTextA(GetDlgItem(box, 0xFFFF));
        secondButton = GetDlgItem(box, IDCANCEL) != nullptr ? "cancel" : "none";
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    ui.ShowMessageBox(MB_ICONWARNING, "", "応答がありません。計測器から切断しました。");
    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(sawOwner) << "no message box owned by the dialog";
    EXPECT_EQ(caption, "");
    EXPECT_EQ(text, "応答がありません。計測器から切断しました。");
    EXPECT_EQ(secondButton, "none");
}

// Moves the keyboard focus into the size edit and out again, as a user's
// tab does, and reads what the edit shows then.
std::string TypeAndLeave(HWND settings, const char* typed) {
    HWND edit = GetDlgItem(settings, IDC_LOG_SIZE);
    SetFocus(edit);
    SetWindowTextA(edit, typed);
    SetFocus(GetDlgItem(settings, IDC_LOG_COLLECT));
    return WindowTextA(edit);
}

TEST_F(ModalTest, LogSettingsDialogStartsFromTheAnswerAndClampsOnFocusLossAndOk) {
    LogSettingsAnswer answer{};
    answer.collect = true;
    FormatLogSizeText(1500, answer.sizeText, sizeof answer.sizeText);
    bool initialChecked = false;
    std::string initialText, afterFive, afterLarge, afterEmpty, afterNegative, afterZero, kept;
    LRESULT limit = 0;
    bool ownedByMain = false;
    ModalDriver driver(dialog.Window(), [&](HWND settings) {
        ownedByMain = true;
        initialChecked = IsDlgButtonChecked(settings, IDC_LOG_COLLECT) == BST_CHECKED;
        initialText = WindowTextA(GetDlgItem(settings, IDC_LOG_SIZE));
        limit = SendDlgItemMessageA(settings, IDC_LOG_SIZE, EM_GETLIMITTEXT, 0, 0);
        afterFive = TypeAndLeave(settings, "5");
        afterLarge = TypeAndLeave(settings, "999999");
        afterEmpty = TypeAndLeave(settings, "");
        afterNegative = TypeAndLeave(settings, "-3");
        afterZero = TypeAndLeave(settings, "0");
        // The check box toggles itself; Enter in the edit presses OK without
        // the edit losing the focus, so OK clamps the text itself.
        SendDlgItemMessageA(settings, IDC_LOG_COLLECT, BM_CLICK, 0, 0);
        SetDlgItemTextA(settings, IDC_LOG_SIZE, "7");
        kept = WindowTextA(GetDlgItem(settings, IDC_LOG_SIZE));
        PostMessageA(settings, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(ui.RunLogSettingsDialog(answer), 1);
    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(ownedByMain);
    EXPECT_TRUE(initialChecked);
    EXPECT_EQ(initialText, "1");
    EXPECT_EQ(limit, 6);
    EXPECT_EQ(afterFive, "10");
    EXPECT_EQ(afterLarge, "204800");
    EXPECT_EQ(afterEmpty, "10");
    EXPECT_EQ(afterNegative, "204800");
    EXPECT_EQ(afterZero, "10");
    EXPECT_EQ(kept, "7");
    EXPECT_FALSE(answer.collect);
    EXPECT_STREQ(answer.sizeText, "10");
}

TEST_F(ModalTest, LogSettingsCancelAndCloseBoxLeaveTheAnswerAlone) {
    for (UINT close : {UINT(WM_COMMAND), UINT(WM_CLOSE)}) {
        LogSettingsAnswer answer{};
        answer.collect = false;
        std::snprintf(answer.sizeText, sizeof answer.sizeText, "%s", "3");
        ModalDriver driver(dialog.Window(), [&](HWND settings) {
            SendDlgItemMessageA(settings, IDC_LOG_COLLECT, BM_CLICK, 0, 0);
            SetDlgItemTextA(settings, IDC_LOG_SIZE, "500");
            PostMessageA(settings, close, close == WM_COMMAND ? IDCANCEL : 0, 0);
        });
        EXPECT_EQ(ui.RunLogSettingsDialog(answer), 0);
        EXPECT_TRUE(driver.Finished());
        EXPECT_FALSE(answer.collect);
        EXPECT_STREQ(answer.sizeText, "3");
    }
}

TEST_F(ModalTest, FolderBrowserReturnsTheChosenPathBoundedOrNothingOnCancel) {
    char windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    bool titled = false;
    ModalDriver choose(dialog.Window(), [&](HWND browser) {
        titled = HasChildWithText(browser, "ログを保存するフォルダを指定してください。");
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(windows));
        PostMessageA(browser, WM_COMMAND, IDOK, 0);
    });
    char path[MAX_PATH];
    std::memset(path, 'X', sizeof path);
    ASSERT_TRUE(ui.ChooseFolder("ログを保存するフォルダを指定してください。", path, sizeof path));
    EXPECT_TRUE(choose.Finished());
    EXPECT_TRUE(titled) << "the browser does not show the title";
    EXPECT_EQ(lstrcmpiA(path, windows), 0) << "chose " << path << ", expected " << windows;

    ModalDriver chooseShort(dialog.Window(), [&](HWND browser) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(windows));
        PostMessageA(browser, WM_COMMAND, IDOK, 0);
    });
    char guarded[12];
    std::memset(guarded, 'X', sizeof guarded);
    ASSERT_TRUE(ui.ChooseFolder("t", guarded, 8));
    EXPECT_EQ(std::strlen(guarded), 7u);
    EXPECT_EQ(std::string(guarded), std::string(windows, 7));
    for (size_t i = 8; i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], 'X') << i;

    ModalDriver cancel(dialog.Window(), [&](HWND browser) {
        PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
    });
    std::snprintf(path, sizeof path, "%s", "C:\\kept");
    EXPECT_FALSE(ui.ChooseFolder("t", path, sizeof path));
    EXPECT_TRUE(cancel.Finished());
    EXPECT_STREQ(path, "C:\\kept");
}

}  // namespace
