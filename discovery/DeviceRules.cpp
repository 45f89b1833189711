#include "discovery/DeviceRules.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const INSTRUMENT_DESCRIPTIONS[] = {"QUORVEL QV-520R", "QUORVEL QV-540R"};

// "QUORVEL " before the stem, "R" after it.
constexpr size_t MODEL_STEM_OFFSET = 8;
constexpr size_t MODEL_STEM_LENGTH = 6;

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
    unsigned int value = 0;
    // The C library's own %4x: blanks skipped, then a sign or 0x counts
    // against the four characters.
    if (std::sscanf(text, "%4x", &value) != 1) return 0;
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
    // As atoi reads it (blanks, a sign, then digits), but an endless run of
    // digits holds at the bound instead of overflowing.
    const long long value = std::strtoll(portName + 3, nullptr, 10);
    // No negative number names a port, as in the FTDI pass.
    if (value < 0) return false;
    port = value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
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
