// In-memory stand-ins for the D2XX library, the device-setup interface and
// the dialog's COM-port combo. The probes count every open and close and
// flag a close of something that is not open.
#pragma once

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "discovery/DeviceProbes.h"
#include "ui/controls/ControlIds.h"
#include "ui/headless/HeadlessUi.h"

// A list as "MODEL [SERIAL] COMn;", with the device path before the COM
// number where there is one and `devRoot` in it written as DEV.
inline std::string Describe(const std::vector<DeviceEntry>& list, const std::string& devRoot = "") {
    std::string text;
    for (const DeviceEntry& e : list) {
        std::string path = e.devicePath;
        if (!devRoot.empty() && path.compare(0, devRoot.size(), devRoot) == 0)
            path = "DEV" + path.substr(devRoot.size());
        text += e.model + " [" + e.serialNumber + "] " + (path.empty() ? "" : path + " ") + "COM" +
                std::to_string(e.comPort) + ";";
    }
    return text;
}

struct FakeBridge {
    std::string serialNumber;
    std::string description;
    int32_t port = 1;
    bool opens = true;      // FT_OpenEx succeeds
    bool portKnown = true;  // FT_GetComPortNumber succeeds
};

class FakeFtdi : public FtdiProbe {
public:
    bool loads = true;
    bool createSucceeds = true;
    bool getSucceeds = true;
    uint32_t countGrowsBy = 0;  // devices attached between the two list calls
    std::vector<FakeBridge> bridges;

    int opens = 0;
    int closes = 0;
    int badCloses = 0;
    std::vector<std::string> openedSerials;

    int OpenHandles() const { return static_cast<int>(m_open.size()); }

    bool Load() override { return loads; }
    bool CreateDeviceInfoList(uint32_t& count) override {
        count = static_cast<uint32_t>(bridges.size());
        return createSucceeds;
    }
    bool GetDeviceInfoList(FtdiDeviceInfo* records, uint32_t& count) override {
        if (!getSucceeds) return false;
        for (uint32_t i = 0; i < count && i < bridges.size(); ++i) {
            Fill(records[i].serialNumber, sizeof records[i].serialNumber, bridges[i].serialNumber);
            Fill(records[i].description, sizeof records[i].description, bridges[i].description);
        }
        count += countGrowsBy;
        return true;
    }
    bool OpenBySerialNumber(const char* serialNumber, FtdiHandle& handle) override {
        openedSerials.push_back(serialNumber);
        for (size_t i = 0; i < bridges.size(); ++i) {
            if (bridges[i].serialNumber != serialNumber || !bridges[i].opens) continue;
            ++opens;
            handle = HandleOf(i);
            m_open.insert(handle);
            return true;
        }
        return false;
    }
    bool GetComPortNumber(FtdiHandle handle, int32_t& port) override {
        if (m_open.count(handle) == 0) return false;
        const FakeBridge& bridge = bridges[IndexOf(handle)];
        port = bridge.port;
        return bridge.portKnown;
    }
    void Close(FtdiHandle handle) override {
        ++closes;
        if (m_open.erase(handle) == 0) ++badCloses;
    }

private:
    // Copies like the library: the whole field, no terminator when full.
    static void Fill(char* field, size_t size, const std::string& text) {
        std::memset(field, 0, size);
        std::memcpy(field, text.data(), text.size() < size ? text.size() : size);
    }
    static FtdiHandle HandleOf(size_t index) {
        return reinterpret_cast<FtdiHandle>(static_cast<uintptr_t>(index + 0x100));
    }
    static size_t IndexOf(FtdiHandle handle) {
        return static_cast<size_t>(reinterpret_cast<uintptr_t>(handle) - 0x100);
    }
    std::set<FtdiHandle> m_open;
};

struct FakePort {
    std::string instanceId;
    std::string portName;
    bool idReads = true;
    bool keyOpens = true;
    bool hasPortName = true;
};

class FakeDeviceSetup : public DeviceSetupProbe {
public:
    bool setOpens = true;
    std::vector<FakePort> ports;

    int setOpensCount = 0;
    int setCloses = 0;
    int keyOpensCount = 0;
    int keyCloses = 0;
    int badCloses = 0;
    size_t instanceIdRoom = 0;
    size_t portNameRoom = 0;

    bool SetOpen() const { return m_setOpen; }
    bool KeyOpen() const { return m_keyOpen; }

    bool OpenPortsSet() override {
        if (!setOpens) return false;
        ++setOpensCount;
        m_setOpen = true;
        return true;
    }
    bool SelectMember(uint32_t index) override {
        if (!m_setOpen || index >= ports.size()) return false;
        m_current = index;
        return true;
    }
    bool GetInstanceId(char* buffer, size_t size) override {
        instanceIdRoom = size;
        const FakePort& port = ports[m_current];
        if (!port.idReads || port.instanceId.size() >= size) return false;
        std::memcpy(buffer, port.instanceId.c_str(), port.instanceId.size() + 1);
        return true;
    }
    bool OpenDeviceKey() override {
        if (!ports[m_current].keyOpens) return false;
        ++keyOpensCount;
        m_keyOpen = true;
        return true;
    }
    bool QueryPortName(char* buffer, size_t size) override {
        portNameRoom = size;
        const FakePort& port = ports[m_current];
        if (!m_keyOpen || !port.hasPortName || port.portName.size() >= size) return false;
        std::memcpy(buffer, port.portName.c_str(), port.portName.size() + 1);
        return true;
    }
    void CloseDeviceKey() override {
        ++keyCloses;
        if (!m_keyOpen) ++badCloses;
        m_keyOpen = false;
    }
    void ClosePortsSet() override {
        ++setCloses;
        if (!m_setOpen || m_keyOpen) ++badCloses;
        m_setOpen = false;
    }

private:
    uint32_t m_current = 0;
    bool m_setOpen = false;
    bool m_keyOpen = false;
};

// The headless dialog with a combo of its own: its lines, its selection
// (none after a reset, as the platform's), and lines it can be told to
// refuse.
class FakeComboUi : public HeadlessUi {
public:
    FakeComboUi() : HeadlessUi(MANUAL_CLOCK) {}

    std::vector<std::string> lines;
    int selection = -1;
    int resets = 0;
    int otherControl = 0;      // list calls for any control but 1006
    std::string refusedLine;  // AddListEntry gives -1 for this text

    void ResetList(int id) override {
        if (!Combo(id)) return;
        ++resets;
        lines.clear();
        selection = -1;
    }
    int AddListEntry(int id, const char* text) override {
        if (!Combo(id) || text == refusedLine) return -1;
        lines.push_back(text);
        return static_cast<int>(lines.size()) - 1;
    }
    int ListCount(int id) override { return Combo(id) ? static_cast<int>(lines.size()) : 0; }
    int ListSelection(int id) override { return Combo(id) ? selection : -1; }
    void SetListSelection(int id, int index) override {
        if (!Combo(id)) return;
        selection = index >= 0 && index < static_cast<int>(lines.size()) ? index : -1;
    }

private:
    bool Combo(int id) {
        if (id == IDC_COM_PORT) return true;
        ++otherControl;
        return false;
    }
};
