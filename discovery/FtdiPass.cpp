// The FTDI pass: QV-520 and QV-540 instruments behind an FTDI bridge, in the
// order of the D2XX device list.
#include <memory>
#include <new>

#include "discovery/DeviceProbes.h"
#include "discovery/DeviceRules.h"

namespace {

// Closes an opened bridge on every way out of the record's handling.
class OpenBridge {
public:
    OpenBridge(FtdiProbe& ftdi, FtdiHandle handle) : m_ftdi(ftdi), m_handle(handle) {}
    ~OpenBridge() { m_ftdi.Close(m_handle); }
    OpenBridge(const OpenBridge&) = delete;
    OpenBridge& operator=(const OpenBridge&) = delete;
    FtdiHandle Handle() const { return m_handle; }

private:
    FtdiProbe& m_ftdi;
    FtdiHandle m_handle;
};

void AddBridge(FtdiProbe& ftdi, const FtdiDeviceInfo& record,
               std::vector<DeviceEntry>& deviceList) {
    if (!IsInstrumentDescription(record.description)) return;

    FtdiHandle handle = nullptr;
    if (!ftdi.OpenBySerialNumber(record.serialNumber, handle)) return;
    const OpenBridge bridge(ftdi, handle);

    int32_t port = NO_COM_PORT;
    // Only -1 means "no COM port", but no negative number names one either.
    if (!ftdi.GetComPortNumber(bridge.Handle(), port) || port < 0) return;

    DeviceEntry entry;
    entry.serialNumber = record.serialNumber;
    entry.model = FtdiModel(record.description, record.serialNumber);
    entry.comPort = port;
    deviceList.push_back(entry);
}

}  // namespace

void EnumerateFtdiDevices(FtdiProbe& ftdi, std::vector<DeviceEntry>& deviceList) {
    if (!ftdi.Load()) return;

    uint32_t count = 0;
    if (!ftdi.CreateDeviceInfoList(count) || count == 0) return;

    const uint32_t room = count;
    std::unique_ptr<FtdiDeviceInfo[]> records(new (std::nothrow) FtdiDeviceInfo[room]);
    if (!records) return;
    if (!ftdi.GetDeviceInfoList(records.get(), count)) return;

    // A device attached between the two calls raises the count past the room.
    const uint32_t filled = count < room ? count : room;
    for (uint32_t i = 0; i < filled; ++i) {
        records[i].serialNumber[sizeof records[i].serialNumber - 1] = '\0';
        records[i].description[sizeof records[i].description - 1] = '\0';
        AddBridge(ftdi, records[i], deviceList);
    }
}
