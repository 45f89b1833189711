// Where qvlog connects: the command line's choice, or setting.ini's.
#pragma once

#include <string>

#include "comm/TcpTarget.h"
#include "tools/qvlog/Options.h"

struct ConnectionChoice {
    bool tcp = true;
    TcpTarget target{0, 0};
    int comPort = 0;
    std::string devicePath;
    std::string saveFolder;  // the settings' save folder, or the current folder
};

bool ChooseConnection(const Options& options, ConnectionChoice& choice, std::string& error);
// The devices command.
int ListDevices(const Options& options);
