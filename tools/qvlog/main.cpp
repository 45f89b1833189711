// qvlog: pulls log files off a QV-500 instrument from the command line, by
// driving the dialog's own logic headless.
#include <cstdio>
#include <string>

#include "retrieval/ChannelLinks.h"
#include "tools/qvlog/Commands.h"
#include "tools/qvlog/Connection.h"
#include "tools/qvlog/Console.h"
#include "tools/qvlog/Options.h"
#include "tools/qvlog/Session.h"

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        if (!error.empty()) std::fprintf(stderr, "qvlog: %s\n", error.c_str());
        std::fputs(UsageText(), error.empty() ? stdout : stderr);
        return error.empty() ? 0 : static_cast<int>(Outcome::USAGE);
    }
    if (options.command == Command::DEVICES) return ListDevices(options);

    ConnectionChoice choice;
    if (!ChooseConnection(options, choice, error)) {
        std::fprintf(stderr, "qvlog: %s\n", error.c_str());
        return static_cast<int>(Outcome::USAGE);
    }
    InstallInterruptHandler();
    ChannelLinkFactory links(options.paced ? DeviceLink::PARSER_PACED : DeviceLink::PARSER_WAKES);
    Session session(links);
    Outcome outcome = choice.tcp ? session.ConnectTcp(choice.target)
                                 : session.ConnectSerial(choice.comPort, choice.devicePath);
    if (outcome != Outcome::OK) {
        if (!session.lastMessage.empty()) std::fprintf(stderr, "qvlog: %s\n", session.lastMessage.c_str());
        return static_cast<int>(outcome);
    }
    switch (options.command) {
    case Command::LIST: outcome = ListCatalogue(session, options); break;
    case Command::DOWNLOAD: outcome = DownloadFiles(session, options, choice.saveFolder); break;
    case Command::SETTINGS_GET: outcome = GetLogSettings(session, options); break;
    case Command::SETTINGS_SET: outcome = SetLogSettings(session, options); break;
    default: break;
    }
    if (outcome != Outcome::NO_RESPONSE) session.Disconnect();
    return static_cast<int>(outcome);
}
