// The instrument's port: its device path, and the line settings as a change
// to the port's device control record: 115200 baud, 8N1, RTS/CTS handshake,
// no XON/XOFF.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr size_t COM_PATH_SIZE = 32;

// \\.\COMn: the device path reaches ports above 9 as well, where the bare
// name COMn does not.
void FormatComPath(int comPort, char (&path)[COM_PATH_SIZE]);

// Changes only what the instrument needs; every other field stays as the
// driver reported it.
void ApplyLineSettings(DCB* dcb);
