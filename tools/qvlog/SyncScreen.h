// How many rows the terminal standard error writes to shows, so that the
// sync's status lines, drawn again in place, never scroll it.
#pragma once

#include <cstddef>

// 0 when it cannot be told. In posix/ and win32/SyncScreen.cpp.
size_t TerminalRows();
