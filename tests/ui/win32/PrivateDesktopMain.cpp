// Entry of the dialog tests: they run in a copy of this program on a desktop
// of their own.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "PrivateDesktop.h"

int main(int argc, char** argv) {
    if (!OnPrivateDesktop()) return RunOnPrivateDesktop("qv-dialog-test");
    INITCOMMONCONTROLSEX classes = {};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&classes);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
