// Linux: both kinds of instrument from sysfs, reached by their /dev paths.
#include "discovery/DeviceList.h"
#include "discovery/posix/SysfsTty.h"

void RefreshDeviceList(std::vector<DeviceEntry>& deviceList) {
    std::vector<DeviceEntry>().swap(deviceList);
    EnumerateSysfsDevices("/sys", "/dev", deviceList);
}
