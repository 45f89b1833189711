// The instrument's line settings as a change to a termios record: 115200
// baud, 8N1, RTS/CTS, raw bytes, no XON/XOFF.
#pragma once

#include <termios.h>

void ApplyLineSettings(termios* settings);

// Whether `settings` (as read back from the port) carry them: a driver may
// accept tcsetattr yet drop part of the change.
bool HasLineSettings(const termios& settings);
