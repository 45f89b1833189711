#include "discovery/DeviceList.h"

#include <cstdio>

#include "discovery/DeviceProbes.h"

void RefreshDeviceList(std::vector<DeviceEntry>& deviceList, FtdiProbe& ftdi,
                       DeviceSetupProbe& setup) {
    std::vector<DeviceEntry>().swap(deviceList);
    EnumerateFtdiDevices(ftdi, deviceList);
    EnumerateUsbSerialDevices(setup, deviceList);
}

void FormatDeviceLine(const DeviceEntry& entry, char* line, size_t size) {
    if (entry.devicePath.empty()) {
        std::snprintf(line, size, "%s [S/N:%s] (COM%d)", entry.model.c_str(),
                      entry.serialNumber.c_str(), static_cast<int>(entry.comPort));
    } else {
        std::snprintf(line, size, "%s [S/N:%s] (%s)", entry.model.c_str(),
                      entry.serialNumber.c_str(), entry.devicePath.c_str());
    }
}

