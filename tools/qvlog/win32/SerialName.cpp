#include "tools/qvlog/SerialName.h"

#include <cctype>
#include <cstdlib>

bool ParseSerialName(const std::string& name, int& comPort, std::string& devicePath) {
    // "COM3", any case, as the dialog's list shows ports.
    if (name.size() < 4 || name.size() > 6) return false;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return false;
    for (size_t i = 3; i < name.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    comPort = std::atoi(name.c_str() + 3);
    devicePath.clear();
    return comPort > 0;
}
