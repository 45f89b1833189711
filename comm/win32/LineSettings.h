// The instrument's line settings as a change to the port's device control
// record: 115200 baud, 8N1, RTS/CTS handshake, no XON/XOFF.
#pragma once

#include <windows.h>

// Changes only what the instrument needs; every other field stays as the
// driver reported it.
void ApplyLineSettings(DCB* dcb);
