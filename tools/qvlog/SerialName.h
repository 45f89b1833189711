// What --serial names on this platform: a COM port (Windows) or a device
// path (elsewhere).
#pragma once

#include <string>

// False when the name is not one this platform can open.
bool ParseSerialName(const std::string& name, int& comPort, std::string& devicePath);
