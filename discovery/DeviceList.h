// The instrument list (`deviceList`) and the COM-port combo 1006 that shows
// it. Line i of the combo is entry i of the list, so the combo's selection
// index is an index into the list. Dialog's thread only.
#pragma once

#include <cstddef>
#include <vector>

#include "discovery/DeviceEntry.h"
#include "ui/UiPort.h"

class FtdiProbe;
class DeviceSetupProbe;

// Empties the list (releasing its storage), then runs the FTDI pass and the
// native USB pass, in this order, over the platform's own devices.
void RefreshDeviceList(std::vector<DeviceEntry>& deviceList);
// The same over the given probes.
void RefreshDeviceList(std::vector<DeviceEntry>& deviceList, FtdiProbe& ftdi,
                       DeviceSetupProbe& setup);

// Rebuilds the list, refills combo 1006 and pre-selects the last line whose
// COM port is savedComPort, else line 0. Does not change savedComPort.
void FillComPortCombo(UiPort& ui, std::vector<DeviceEntry>& deviceList, int savedComPort);
void FillComPortCombo(UiPort& ui, std::vector<DeviceEntry>& deviceList, int savedComPort,
                      FtdiProbe& ftdi, DeviceSetupProbe& setup);

// The combo part of FillComPortCombo: shows the list as it stands. An entry
// whose line the combo refuses is dropped from the list, so that line i
// stays entry i.
void ShowDeviceList(UiPort& ui, std::vector<DeviceEntry>& deviceList, int savedComPort);

// One line of the combo: "%s [S/N:%s] (COM%d)", or with the device path in
// the brackets when the entry has one: "QV-520R [S/N:5B1234] (/dev/ttyUSB0)".
// Truncated to size - 1 characters and terminated.
void FormatDeviceLine(const DeviceEntry& entry, char* line, size_t size);

// The entry at the combo's current selection; null when the list is empty or
// the combo shows no line of it. Connect and the selection change use it.
const DeviceEntry* SelectedDevice(UiPort& ui, const std::vector<DeviceEntry>& deviceList);
