// Windows: FTDI bridges through ftd2xx.dll, native instruments through the
// device-setup interface and the registry.
#include "discovery/DeviceList.h"
#include "discovery/win32/FtdiLibrary.h"
#include "discovery/win32/SetupDiPorts.h"

void RefreshDeviceList(std::vector<DeviceEntry>& deviceList) {
    Ftd2xxProbe ftdi;
    SetupDiPortsProbe setup;
    RefreshDeviceList(deviceList, ftdi, setup);
}
