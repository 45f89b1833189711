// Runs a test program on a desktop of its own: its windows stay off the
// user's screen, and under Wine the desktop takes the display the program was
// given even when the running wineserver's default desktop was started
// without one.
#pragma once

// Whether this process is the copy that runs on the private desktop.
bool OnPrivateDesktop();

// Starts this program again with the same command line on the desktop
// `name` (created here, a window of its own under Wine), waits for it and
// returns its exit code. Windows the copy starts land on that desktop too.
int RunOnPrivateDesktop(const char* name);
