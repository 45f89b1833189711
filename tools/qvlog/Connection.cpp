#include "tools/qvlog/Connection.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "discovery/DeviceList.h"
#include "settings/Settings.h"
#include "tools/qvlog/Json.h"
#include "tools/qvlog/SerialName.h"
#include "ui/controls/InetAddress.h"

namespace {

bool HostAddress(const std::string& host, uint32_t& address) {
    address = ParseInetAddress(host == "localhost" ? "127.0.0.1" : host.c_str());
    return address != INET_ADDRESS_NONE;
}

}  // namespace

bool ChooseConnection(const Options& options, ConnectionChoice& choice, std::string& error) {
    const std::string startDir = std::filesystem::current_path().string();
    // The dialog's settings, read as it reads them, but never written.
    char path[SETTINGS_PATH_SIZE];
    BuildSettingsPath(startDir.c_str(), path);
    ConnectionSettings settings{};
    char savePath[SAVE_PATH_SIZE];
    ReadConnectionSettings(path, settings, LEAVE_FILE);
    ReadLogSettings(path, startDir.c_str(), savePath, LEAVE_FILE);
    choice.saveFolder = savePath;

    switch (options.transport) {
    case Transport::TCP:
        choice.tcp = true;
        choice.target.port = options.port;
        if (!HostAddress(options.host, choice.target.address)) {
            error = "--tcp takes an IPv4 address such as 192.168.0.100: " + options.host;
            return false;
        }
        return true;
    case Transport::SERIAL:
        choice.tcp = false;
        if (!ParseSerialName(options.serialPort, choice.comPort, choice.devicePath)) {
            error = "--serial: not a serial port here: " + options.serialPort;
            return false;
        }
        return true;
    case Transport::FROM_SETTINGS:
        break;
    }
    if (settings.method == METHOD_WIFI) {
        choice.tcp = true;
        choice.target.port = settings.dService;
        if (!HostAddress(settings.host, choice.target.address)) {
            error = std::string("setting.ini: host is not an IPv4 address: ") + settings.host;
            return false;
        }
        return true;
    }
    // USB: the instrument on the saved COM port, else the first one found.
    std::vector<DeviceEntry> devices;
    RefreshDeviceList(devices);
    if (devices.empty()) {
        error = "no instrument found on USB; name one with --serial or --tcp";
        return false;
    }
    const DeviceEntry* chosen = &devices[0];
    for (const DeviceEntry& device : devices)
        if (device.comPort == settings.com && device.comPort != NO_COM_PORT) chosen = &device;
    choice.tcp = false;
    choice.comPort = chosen->comPort;
    choice.devicePath = chosen->devicePath;
    return true;
}

int ListDevices(const Options& options) {
    std::vector<DeviceEntry> devices;
    RefreshDeviceList(devices);
    if (options.json) std::printf("{\"devices\":[");
    for (size_t i = 0; i < devices.size(); ++i) {
        char line[512];
        FormatDeviceLine(devices[i], line, sizeof line);
        if (options.json)
            std::printf("%s{\"line\":%s,\"model\":%s,\"serialNumber\":%s,\"comPort\":%d,\"path\":%s}",
                        i ? "," : "", JsonString(line).c_str(), JsonString(devices[i].model).c_str(),
                        JsonString(devices[i].serialNumber).c_str(), devices[i].comPort,
                        JsonString(devices[i].devicePath).c_str());
        else
            std::printf("%s\n", line);
    }
    if (options.json) std::printf("]}\n");
    else if (devices.empty()) std::fprintf(stderr, "qvlog: no instrument found on USB\n");
    return 0;
}
