#include "ui/controls/InstrumentList.h"

#include "discovery/DeviceList.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/DialogState.h"

namespace {

constexpr size_t LINE_SIZE = 260;

}  // namespace


void FillComPortCombo(DialogState& state, UiPort& ui) {
    if (state.ftdiProbe != nullptr && state.deviceSetupProbe != nullptr)
        FillComPortCombo(ui, state.deviceList, state.settings.connection.com, *state.ftdiProbe,
                         *state.deviceSetupProbe);
    else
        FillComPortCombo(ui, state.deviceList, state.settings.connection.com);
}

void FillComPortCombo(UiPort& ui, std::vector<DeviceEntry>& deviceList, int savedComPort) {
    RefreshDeviceList(deviceList);
    ShowDeviceList(ui, deviceList, savedComPort);
}

void FillComPortCombo(UiPort& ui, std::vector<DeviceEntry>& deviceList, int savedComPort,
                      FtdiProbe& ftdi, DeviceSetupProbe& setup) {
    RefreshDeviceList(deviceList, ftdi, setup);
    ShowDeviceList(ui, deviceList, savedComPort);
}

void ShowDeviceList(UiPort& ui, std::vector<DeviceEntry>& deviceList, int savedComPort) {
    ui.ResetList(IDC_COM_PORT);
    int selection = 0;
    size_t i = 0;
    while (i < deviceList.size()) {
        char line[LINE_SIZE];
        FormatDeviceLine(deviceList[i], line, sizeof line);
        if (ui.AddListEntry(IDC_COM_PORT, line) < 0) {
            deviceList.erase(deviceList.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        // Entries reached by a device path have no COM port to match.
        if (deviceList[i].comPort != NO_COM_PORT && deviceList[i].comPort == savedComPort) {
            selection = static_cast<int>(i);
        }
        ++i;
    }
    if (!deviceList.empty()) ui.SetListSelection(IDC_COM_PORT, selection);
}

const DeviceEntry* SelectedDevice(UiPort& ui, const std::vector<DeviceEntry>& deviceList) {
    const int selection = ui.ListSelection(IDC_COM_PORT);
    if (selection < 0 || static_cast<size_t>(selection) >= deviceList.size()) return nullptr;
    return &deviceList[static_cast<size_t>(selection)];
}
