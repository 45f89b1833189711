#include "tools/qvlog/Devices.h"

#include <vector>

#include "discovery/DeviceList.h"
#include "tools/qvlog/Encoding.h"
#include "tools/qvlog/Json.h"

DeviceListing ListDevices() {
    std::vector<DeviceEntry> devices;
    RefreshDeviceList(devices);
    DeviceListing listing;
    listing.json = JsonArrayOf(devices, [&listing](const DeviceEntry& device) {
        char line[512];
        FormatDeviceLine(device, line, sizeof line);
        const std::string text = DialogTextToUtf8(line);
        listing.text += text + "\n";
        return JsonObject({{"line", JsonString(text)}, {"model", JsonString(DialogTextToUtf8(device.model))},
                           {"serialNumber", JsonString(DialogTextToUtf8(device.serialNumber))},
                           {"comPort", JsonNumber(device.comPort)}, {"path", JsonString(device.devicePath)}});
    });
    return listing;
}
