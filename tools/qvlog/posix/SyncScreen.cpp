#include "tools/qvlog/SyncScreen.h"

#include <sys/ioctl.h>
#include <unistd.h>

size_t TerminalRows() {
    struct winsize size {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_row;
}
