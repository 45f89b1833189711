// The native USB pass: QV-560 instruments, USB serial devices of their own
// (VID 16F4, PID 5005), in the order the device-setup interface lists the
// present ports.
#include "discovery/DeviceProbes.h"
#include "discovery/DeviceRules.h"

namespace {

constexpr size_t INSTANCE_ID_SIZE = 200;
constexpr size_t PORT_NAME_SIZE = 256;

// Each closes what the probe opened, on every way out.
class PortsSet {
public:
    explicit PortsSet(DeviceSetupProbe& setup) : m_setup(setup) {}
    ~PortsSet() { m_setup.ClosePortsSet(); }
    PortsSet(const PortsSet&) = delete;
    PortsSet& operator=(const PortsSet&) = delete;

private:
    DeviceSetupProbe& m_setup;
};

class DeviceKey {
public:
    explicit DeviceKey(DeviceSetupProbe& setup) : m_setup(setup) {}
    ~DeviceKey() { m_setup.CloseDeviceKey(); }
    DeviceKey(const DeviceKey&) = delete;
    DeviceKey& operator=(const DeviceKey&) = delete;

private:
    DeviceSetupProbe& m_setup;
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
    const DeviceKey key(setup);

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
    const PortsSet set(setup);

    for (uint32_t index = 0; setup.SelectMember(index); ++index) {
        AddMember(setup, deviceList);
    }
}
