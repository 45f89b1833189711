// The FTDI D2XX library (ftd2xx.dll), loaded by name at run time and kept
// loaded once complete, and the probe that the FTDI pass calls it through.
// Dialog's thread only.
#pragma once

#include <windows.h>

#include "discovery/DeviceProbes.h"

// The library's published device record, laid out as the library fills it.
struct FT_DEVICE_LIST_INFO_NODE {
    ULONG Flags;
    ULONG Type;
    ULONG ID;
    DWORD LocId;
    char SerialNumber[16];
    char Description[64];
    void* ftHandle;
};

using FT_STATUS = ULONG;
constexpr FT_STATUS FT_OK = 0;
constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;

using FtCreateDeviceInfoList = FT_STATUS(WINAPI*)(DWORD* count);
using FtGetDeviceInfoList = FT_STATUS(WINAPI*)(FT_DEVICE_LIST_INFO_NODE* records, DWORD* count);
using FtOpenEx = FT_STATUS(WINAPI*)(void* argument, DWORD flags, void** handle);
using FtGetComPortNumber = FT_STATUS(WINAPI*)(void* handle, LONG* port);
using FtClose = FT_STATUS(WINAPI*)(void* handle);

// True when ftd2xx.dll and its five entry points are there. When one is
// missing: the warning box, then the library is unloaded, so the next call
// tries again.
bool LoadFtdiLibrary();

// How the warning reaches the user: MessageBoxA without an owner unless
// replaced (a test has no one to press OK). Null restores the default.
using FtdiWarningBox = void (*)(const char* text, const char* caption, UINT type);
void SetFtdiWarningBox(FtdiWarningBox box);

class Ftd2xxProbe : public FtdiProbe {
public:
    bool Load() override;
    bool CreateDeviceInfoList(uint32_t& count) override;
    bool GetDeviceInfoList(FtdiDeviceInfo* records, uint32_t& count) override;
    bool OpenBySerialNumber(const char* serialNumber, FtdiHandle& handle) override;
    bool GetComPortNumber(FtdiHandle handle, int32_t& port) override;
    void Close(FtdiHandle handle) override;
};
