// The devices command: the instruments found on USB, looked for once and
// told as lines for people and as a JSON array.
#pragma once

#include <string>

struct DeviceListing {
    std::string text;  // one line each, as the dialog's combo shows them
    std::string json;  // an array of objects
};

DeviceListing ListDevices();
