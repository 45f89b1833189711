// The platform operations that the two enumeration passes use, one call each,
// in the order the passes make them. The passes own the order and the
// closing; a probe only maps each call onto its platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "discovery/DeviceEntry.h"

// What a pass reads of one D2XX device record. Both texts are terminated,
// even when the library filled its field to the end.
struct FtdiDeviceInfo {
    char serialNumber[17];
    char description[65];
};

using FtdiHandle = void*;

// The FTDI D2XX library. Every call but Load and Close is true for FT_OK.
class FtdiProbe {
public:
    virtual ~FtdiProbe() = default;
    // The library and all its entry points are there.
    virtual bool Load() = 0;
    // FT_CreateDeviceInfoList: the number of devices.
    virtual bool CreateDeviceInfoList(uint32_t& count) = 0;
    // FT_GetDeviceInfoList into room for `count` records; count is updated
    // (it may come back larger than the room).
    virtual bool GetDeviceInfoList(FtdiDeviceInfo* records, uint32_t& count) = 0;
    // FT_OpenEx by serial number.
    virtual bool OpenBySerialNumber(const char* serialNumber, FtdiHandle& handle) = 0;
    // FT_GetComPortNumber; port is -1 for a device without a COM port.
    virtual bool GetComPortNumber(FtdiHandle handle, int32_t& port) = 0;
    // FT_Close of a handle that OpenBySerialNumber gave.
    virtual void Close(FtdiHandle handle) = 0;
};

// The device-setup interface over the present members of the Ports class,
// and each member's device registry key. At most one set and one key are
// open at a time; the probe keeps them.
class DeviceSetupProbe {
public:
    virtual ~DeviceSetupProbe() = default;
    // SetupDiGetClassDevsA(Ports class, DIGCF_PRESENT); false for no set.
    virtual bool OpenPortsSet() = 0;
    // SetupDiEnumDeviceInfo: makes member `index` the current one; false
    // after the last.
    virtual bool SelectMember(uint32_t index) = 0;
    // SetupDiGetDeviceInstanceIdA of the current member, terminated.
    virtual bool GetInstanceId(char* buffer, size_t size) = 0;
    // SetupDiOpenDevRegKey(DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ).
    virtual bool OpenDeviceKey() = 0;
    // RegQueryValueExA "PortName" of the open key: at most size - 1 bytes of
    // value, then a terminator.
    virtual bool QueryPortName(char* buffer, size_t size) = 0;
    // RegCloseKey.
    virtual void CloseDeviceKey() = 0;
    // SetupDiDestroyDeviceInfoList.
    virtual void ClosePortsSet() = 0;
};

// The two passes; each appends to the list, neither empties it.
void EnumerateFtdiDevices(FtdiProbe& ftdi, std::vector<DeviceEntry>& deviceList);
void EnumerateUsbSerialDevices(DeviceSetupProbe& setup, std::vector<DeviceEntry>& deviceList);
