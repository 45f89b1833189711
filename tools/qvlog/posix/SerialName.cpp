#include "tools/qvlog/SerialName.h"

bool ParseSerialName(const std::string& name, int& comPort, std::string& devicePath) {
    if (name.empty() || name[0] != '/') return false;
    comPort = -1;
    devicePath = name;
    return true;
}
