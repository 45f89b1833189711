// The instrument list (`deviceList`): finding the instruments, and the text
// of each one's line in the COM-port combo. Dialog's thread only.
#pragma once

#include <cstddef>
#include <vector>

#include "discovery/DeviceEntry.h"

class FtdiProbe;
class DeviceSetupProbe;

// Empties the list (releasing its storage), then runs the FTDI pass and the
// native USB pass, in this order, over the platform's own devices.
void RefreshDeviceList(std::vector<DeviceEntry>& deviceList);
// The same over the given probes.
void RefreshDeviceList(std::vector<DeviceEntry>& deviceList, FtdiProbe& ftdi,
                       DeviceSetupProbe& setup);

// One line of the combo: "%s [S/N:%s] (COM%d)", or with the device path in
// the brackets when the entry has one: "QV-520R [S/N:5B1234] (/dev/ttyUSB0)".
// Truncated to size - 1 characters and terminated.
void FormatDeviceLine(const DeviceEntry& entry, char* line, size_t size);
