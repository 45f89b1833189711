// The COM-port combo 1006 that shows the instrument list. Line i of the
// combo is entry i of `deviceList`, so the combo's selection index is an
// index into the list. Dialog's thread only.
#pragma once

#include <vector>

#include "discovery/DeviceEntry.h"
#include "ui/controls/UiPort.h"

struct DialogState;
class FtdiProbe;
class DeviceSetupProbe;

// The instrument list, looked for where the dialog state says.
void FillComPortCombo(DialogState& state, UiPort& ui);

// Rebuilds the list, refills combo 1006 and pre-selects the last line whose
// COM port is savedComPort, else line 0. Does not change savedComPort.
void FillComPortCombo(UiPort& ui, std::vector<DeviceEntry>& deviceList, int savedComPort);
void FillComPortCombo(UiPort& ui, std::vector<DeviceEntry>& deviceList, int savedComPort,
                      FtdiProbe& ftdi, DeviceSetupProbe& setup);

// The combo part of FillComPortCombo: shows the list as it stands. An entry
// whose line the combo refuses is dropped from the list, so that line i
// stays entry i.
void ShowDeviceList(UiPort& ui, std::vector<DeviceEntry>& deviceList, int savedComPort);

// The entry at the combo's current selection; null when the list is empty or
// the combo shows no line of it. Connect and the selection change use it.
const DeviceEntry* SelectedDevice(UiPort& ui, const std::vector<DeviceEntry>& deviceList);
