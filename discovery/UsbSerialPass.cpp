// The native USB pass: QV-560 instruments, USB serial devices of their own
// (VID 16F4, PID 5005), in the order the device-setup interface lists the
// present ports.
#include "discovery/DeviceProbes.h"
#include "discovery/DeviceRules.h"

namespace {

constexpr size_t INSTANCE_ID_SIZE = 200;
constexpr size_t PORT_NAME_SIZE = 256;

// Closes what the probe opened (the ports set, a device key) on every way out.
class ProbeOpened {
public:
    ProbeOpened(DeviceSetupProbe& setup, void (DeviceSetupProbe::*close)()) : m_setup(setup), m_close(close) {}
    ~ProbeOpened() { (m_setup.*m_close)(); }
    ProbeOpened(const ProbeOpened&) = delete;
    ProbeOpened& operator=(const ProbeOpened&) = delete;

private:
    DeviceSetupProbe& m_setup;
    void (DeviceSetupProbe::*m_close)();
};

void AddMember(DeviceSetupProbe& setup, std::vector<DeviceEntry>& deviceList) {
    char instanceId[INSTANCE_ID_SIZE] = {};
    if (!setup.GetInstanceId(instanceId, sizeof instanceId)) return;
    instanceId[sizeof instanceId - 1] = '\0';

    uint32_t vid = 0;
    uint32_t pid = 0;
    if (!ScanVidPid(instanceId, vid, pid) || !IsNativeInstrument(vid, pid)) return;

    DeviceEntry entry;
    entry.serialNumber = SerialFromInstanceId(instanceId);
    entry.model = NATIVE_MODEL;

    if (!setup.OpenDeviceKey()) return;
    const ProbeOpened key(setup, &DeviceSetupProbe::CloseDeviceKey);

    // The value may fill all 256 bytes; the byte after it ends the text.
    char portName[PORT_NAME_SIZE + 1] = {};
    if (!setup.QueryPortName(portName, sizeof portName)) return;
    portName[sizeof portName - 1] = '\0';
    if (!ParseComPortName(portName, entry.comPort)) return;

    if (!IsListed(deviceList, entry)) deviceList.push_back(entry);
}

}  // namespace

void EnumerateUsbSerialDevices(DeviceSetupProbe& setup, std::vector<DeviceEntry>& deviceList) {
    if (!setup.OpenPortsSet()) return;
    const ProbeOpened set(setup, &DeviceSetupProbe::ClosePortsSet);

    for (uint32_t index = 0; setup.SelectMember(index); ++index) {
        AddMember(setup, deviceList);
    }
}
