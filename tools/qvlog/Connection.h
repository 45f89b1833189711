// Where qvlog connects: the command line's choice, or setting.ini's.
#pragma once

#include <string>

#include "comm/TcpTarget.h"
#include "tools/qvlog/Options.h"
#include "tools/qvlog/Outcome.h"
#include "tools/qvlog/Texts.h"

class Session;

struct ConnectionChoice {
    bool tcp = true;
    TcpTarget target{0, 0};
    std::string where;       // as the user named it: "host:port", a port
    int comPort = 0;
    std::string devicePath;
    std::string saveFolder;  // the settings' save folder as the dialog's text
};

// Reads setting.ini in the current folder (never writing it) and decides.
Failure ChooseConnection(const Options& options, Language language, ConnectionChoice& choice);
// Presses Connect in `session` for the choice.
Failure Connect(Session& session, const ConnectionChoice& choice, Language language);
