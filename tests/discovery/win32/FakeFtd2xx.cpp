// A stand-in ftd2xx.dll for the tests: four bridges, one of them without a
// COM port. Built once complete and once without FT_Close; the end-to-end
// test builds it with one instrument on the COM port it maps.
#include <cstring>

#include "discovery/win32/FtdiLibrary.h"

namespace {

struct Bridge {
    const char* serialNumber;  // up to 16 characters, stored without terminator when 16
    const char* description;
    LONG port;
};

#ifdef FAKE_FTD2XX_ONE_INSTRUMENT_ON
const Bridge BRIDGES[] = {
    {"5B0008", "QUORVEL QV-520R", FAKE_FTD2XX_ONE_INSTRUMENT_ON},
};
#else
const Bridge BRIDGES[] = {
    {"5B0001", "QUORVEL QV-520R", 3},
    {"6V34567890ABCDEF", "QUORVEL QV-540R", 4},
    {"A10", "FT232R USB UART", 5},
    {"7X0004", "QUORVEL QV-540R", -1},
};
#endif
constexpr DWORD BRIDGE_COUNT = sizeof BRIDGES / sizeof BRIDGES[0];

bool open[BRIDGE_COUNT];
LONG opens = 0;

bool SameSerial(const char* given, const char* stored) {
    return std::strncmp(given, stored, 16) == 0 && std::strlen(given) == std::strlen(stored);
}

}  // namespace

extern "C" {

__declspec(dllexport) FT_STATUS WINAPI FT_CreateDeviceInfoList(DWORD* count) {
    *count = BRIDGE_COUNT;
    return FT_OK;
}

__declspec(dllexport) FT_STATUS WINAPI FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE* records,
                                                            DWORD* count) {
    if (*count < BRIDGE_COUNT) return 1;
    for (DWORD i = 0; i < BRIDGE_COUNT; ++i) {
        std::memset(&records[i], 0x5A, sizeof records[i]);
        std::strncpy(records[i].SerialNumber, BRIDGES[i].serialNumber,
                     sizeof records[i].SerialNumber);
        std::strncpy(records[i].Description, BRIDGES[i].description,
                     sizeof records[i].Description);
    }
    *count = BRIDGE_COUNT;
    return FT_OK;
}

__declspec(dllexport) FT_STATUS WINAPI FT_OpenEx(void* argument, DWORD flags, void** handle) {
    if (flags != FT_OPEN_BY_SERIAL_NUMBER) return 2;
    for (DWORD i = 0; i < BRIDGE_COUNT; ++i) {
        if (!SameSerial(static_cast<const char*>(argument), BRIDGES[i].serialNumber)) continue;
        if (open[i]) return 3;
        open[i] = true;
        ++opens;
        *handle = &open[i];
        return FT_OK;
    }
    return 2;
}

__declspec(dllexport) FT_STATUS WINAPI FT_GetComPortNumber(void* handle, LONG* port) {
    const DWORD i = static_cast<DWORD>(static_cast<bool*>(handle) - open);
    if (i >= BRIDGE_COUNT || !open[i]) return 1;
    *port = BRIDGES[i].port;
    return FT_OK;
}

#ifndef FAKE_FTD2XX_WITHOUT_CLOSE
__declspec(dllexport) FT_STATUS WINAPI FT_Close(void* handle) {
    const DWORD i = static_cast<DWORD>(static_cast<bool*>(handle) - open);
    if (i >= BRIDGE_COUNT || !open[i]) return 1;
    open[i] = false;
    return FT_OK;
}
#endif

// For the tests only.
__declspec(dllexport) LONG WINAPI FakeOpenCount() { return opens; }
__declspec(dllexport) LONG WINAPI FakeStillOpen() {
    LONG still = 0;
    for (bool isOpen : open) still += isOpen ? 1 : 0;
    return still;
}

}  // extern "C"
