// What qvlog needs of the console: whether a stream is a terminal, and
// Ctrl-C turned into a flag the session polls.
#pragma once

#include <cstdio>

bool IsTerminal(std::FILE* stream);
// After this, Ctrl-C (SIGINT, SIGTERM) only sets the flag.
void InstallInterruptHandler();
bool InterruptRequested();
