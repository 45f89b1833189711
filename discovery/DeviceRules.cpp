#include "discovery/DeviceRules.h"

#include <cstring>

namespace {

const char* const INSTRUMENT_DESCRIPTIONS[] = {"QUORVEL QV-520R", "QUORVEL QV-540R"};

// "QUORVEL " before the stem, "R" after it.
constexpr size_t MODEL_STEM_OFFSET = 8;
constexpr size_t MODEL_STEM_LENGTH = 6;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool IsInstrumentDescription(const char* description) {
    for (const char* accepted : INSTRUMENT_DESCRIPTIONS) {
        if (std::strcmp(description, accepted) == 0) return true;
    }
    return false;
}

std::string FtdiModel(const char* description, const char* serialNumber) {
    std::string model(description + MODEL_STEM_OFFSET, MODEL_STEM_LENGTH);
    const bool rSeries = std::strncmp(serialNumber, "5B", 2) == 0 ||
                         std::strncmp(serialNumber, "6V", 2) == 0;
    model += rSeries ? 'R' : 'A';
    return model;
}

uint32_t ScanHex4(const char* text) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = HexValue(text[i]);
        if (digit < 0) break;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return value;
}

bool ScanVidPid(const char* instanceId, uint32_t& vid, uint32_t& pid) {
    const char* vidAt = std::strstr(instanceId, "VID_");
    const char* pidAt = std::strstr(instanceId, "PID_");
    if (vidAt == nullptr || pidAt == nullptr) return false;
    vid = ScanHex4(vidAt + 4);
    pid = ScanHex4(pidAt + 4);
    return true;
}

bool IsNativeInstrument(uint32_t vid, uint32_t pid) {
    return vid == NATIVE_VENDOR_ID && pid == NATIVE_PRODUCT_ID;
}

std::string SerialFromInstanceId(const char* instanceId) {
    const char* lastSlash = std::strrchr(instanceId, '\\');
    return lastSlash == nullptr ? std::string() : std::string(lastSlash + 1);
}

bool ParseComPortName(const char* portName, int32_t& port) {
    if (Upper(portName[0]) != 'C' || Upper(portName[1]) != 'O' || Upper(portName[2]) != 'M') {
        return false;
    }
    // Digits only, no sign: a port number is never negative, and an endless
    // run of digits must not overflow.
    int64_t value = 0;
    for (const char* p = portName + 3; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > INT32_MAX) value = INT32_MAX;
    }
    port = static_cast<int32_t>(value);
    return true;
}

bool IsListed(const std::vector<DeviceEntry>& deviceList, const DeviceEntry& entry) {
    for (const DeviceEntry& listed : deviceList) {
        const bool same = entry.devicePath.empty()
                              ? listed.devicePath.empty() && listed.comPort == entry.comPort
                              : listed.devicePath == entry.devicePath;
        if (same) return true;
    }
    return false;
}
