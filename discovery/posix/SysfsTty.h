// Instruments among the USB serial ports that Linux lists in sysfs: FTDI
// bridges (vendor 0403) whose product string is an instrument's description,
// and native QV-560 devices (16F4:5005). Roots are parameters so tests can
// give a tree of their own.
#pragma once

#include <string>
#include <vector>

#include "discovery/DeviceEntry.h"

// Appends the FTDI instruments, then the native ones, each in the order of
// their tty names (ttyUSB2 before ttyUSB10). Entries carry devRoot/NAME as
// their device path and NO_COM_PORT. A tty whose device node is missing is
// left out: nothing could open it.
void EnumerateSysfsDevices(const std::string& sysRoot, const std::string& devRoot,
                           std::vector<DeviceEntry>& deviceList);
