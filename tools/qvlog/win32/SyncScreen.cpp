#include "tools/qvlog/SyncScreen.h"

#include <windows.h>

// The window onto the console's buffer: the cursor moves up within it only.
size_t TerminalRows() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
    const int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    return rows > 0 ? static_cast<size_t>(rows) : 0;
}
