#include "tools/qvlog/Connection.h"

#include <filesystem>
#include <vector>

#include "discovery/DeviceList.h"
#include "settings/Settings.h"
#include "tools/qvlog/CatalogueCheck.h"
#include "tools/qvlog/Encoding.h"
#include "tools/qvlog/Platform.h"
#include "tools/qvlog/Session.h"
#include "ui/controls/InetAddress.h"

namespace {

Failure ChooseTcp(const std::string& host, int port, Text unknown, Language language, ConnectionChoice& choice) {
    choice.tcp = true;
    choice.target.port = port;
    choice.where = host + ":" + std::to_string(port);
    choice.target.address = ParseInetAddress(host.c_str());
    if (choice.target.address != INET_ADDRESS_NONE || ResolveHost(host, choice.target.address)) return Failure();
    return Fail(Cause::UNKNOWN_HOST, Say(language, unknown, {host}));
}

// The dialog asks at once about the first date and start time as it reads
// them back: an error to that may answer a run the instrument never listed.
Failure FirstRunUnreadable(const Session& session, Language language, const Failure& failure) {
    CatalogueCheck check(language);
    const std::vector<std::string>& dates = session.Dates();
    const std::vector<std::string>& times = session.Times();
    if (dates.empty()) return failure;
    if (check.DateUsable(dates.front()) && !times.empty()) check.TimeUsable(dates.front(), times.front());
    return check.Found() ? check.Result() : failure;
}

}  // namespace

Failure ChooseConnection(const Options& options, Language language, ConnectionChoice& choice) {
    const std::string startDir = std::filesystem::current_path().string();
    // The dialog's settings, read as it reads them, but never written.
    char path[SETTINGS_PATH_SIZE];
    BuildSettingsPath(startDir.c_str(), path);
    ConnectionSettings settings{};
    char savePath[SAVE_PATH_SIZE];
    ReadConnectionSettings(path, settings, LEAVE_FILE);
    ReadLogSettings(path, startDir.c_str(), savePath, LEAVE_FILE);
    choice.saveFolder = savePath;

    if (options.transport == Transport::TCP)
        return ChooseTcp(options.host, options.port, Text::HOST_NOT_FOUND, language, choice);
    if (options.transport == Transport::SERIAL) {
        choice.tcp = false;
        choice.where = options.serialPort;
        if (!ParseSerialName(options.serialPort, choice.comPort, choice.devicePath))
            return Fail(Cause::USAGE, Say(language, Text::SERIAL_NAME, {options.serialPort}));
        return Failure();
    }
    if (settings.method == METHOD_WIFI)
        return ChooseTcp(DialogTextToUtf8(settings.host), settings.dService, Text::SETTINGS_HOST, language, choice);
    // USB: the instrument on the saved COM port, else the first one found.
    std::vector<DeviceEntry> devices;
    RefreshDeviceList(devices);
    if (devices.empty()) return Fail(Cause::NO_SUCH_DEVICE, Say(language, Text::NO_USB_INSTRUMENT));
    const DeviceEntry* chosen = &devices[0];
    for (const DeviceEntry& device : devices)
        if (device.comPort == settings.com && device.comPort != NO_COM_PORT) chosen = &device;
    choice.tcp = false;
    choice.comPort = chosen->comPort;
    choice.devicePath = chosen->devicePath;
    choice.where = chosen->devicePath.empty() ? "COM" + std::to_string(chosen->comPort) : chosen->devicePath;
    return Failure();
}

Failure Connect(Session& session, const ConnectionChoice& choice, Language language) {
    Failure failure = choice.tcp ? session.ConnectTcp(choice.target)
                                 : session.ConnectSerial(choice.comPort, choice.devicePath);
    if (failure.ConnectFailed())
        failure.detail = Say(language, Text::CONNECT_FAILED, {choice.where, failure.detail});
    if (failure.cause == Cause::TRANSFER_ERROR) failure = FirstRunUnreadable(session, language, failure);
    return failure;
}
