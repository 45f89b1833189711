// One instrument found on USB, as the COM-port combo shows it.
#pragma once

#include <cstdint>
#include <string>

// comPort of an entry that is reached by a device path instead of a COM port.
constexpr int32_t NO_COM_PORT = -1;

struct DeviceEntry {
    std::string serialNumber;  // FTDI: the library's serial; native: end of the instance ID
    std::string model;         // "QV-520R", "QV-540A", "QV-560R", ...
    int32_t comPort = NO_COM_PORT;  // n of COMn
    std::string devicePath;    // Linux: /dev/ttyUSB0 and the like; empty on Windows
};
