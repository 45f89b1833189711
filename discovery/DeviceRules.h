// How an instrument is recognised and described, from the texts and numbers
// that the platform reports. Shared by every platform's passes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "discovery/DeviceEntry.h"

constexpr uint32_t FTDI_VENDOR_ID = 0x0403;
constexpr uint32_t NATIVE_VENDOR_ID = 0x16F4;
constexpr uint32_t NATIVE_PRODUCT_ID = 0x5005;
constexpr const char* NATIVE_MODEL = "QV-560R";

// The bridge's description is one of the instruments': whole text, any case
// difference rejects it.
bool IsInstrumentDescription(const char* description);

// Model stem from an accepted description, then "R" when the serial number
// begins with "5B" or "6V" (case-sensitive), else "A".
std::string FtdiModel(const char* description, const char* serialNumber);

// The value that "%4x" scans at text (blanks skipped, then at most four
// characters); 0 when it scans none.
uint32_t ScanHex4(const char* text);

// The values after the first "VID_" and the first "PID_" of a device
// instance ID; false when either is missing.
bool ScanVidPid(const char* instanceId, uint32_t& vid, uint32_t& pid);

bool IsNativeInstrument(uint32_t vid, uint32_t pid);

// The text after the last backslash; empty without one.
std::string SerialFromInstanceId(const char* instanceId);

// A port name that begins with "COM" in any case, followed by what atoi reads
// as a number that is not negative; port is that number (0 without digits,
// held at INT32_MAX when larger).
bool ParseComPortName(const char* portName, int32_t& port);

// Whether the list already holds the device that `entry` reaches: the same
// device path, or for entries without one the same COM port.
bool IsListed(const std::vector<DeviceEntry>& deviceList, const DeviceEntry& entry);
