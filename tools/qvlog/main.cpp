// qvlog: pulls log files off a QV-500 instrument from the command line, by
// driving the dialog's own logic headless.
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "link/ChannelLinks.h"
#include "tools/qvlog/Console.h"
#include "tools/qvlog/Encoding.h"
#include "tools/qvlog/Texts.h"
#include "tools/qvlog/Tool.h"

namespace {

// Sleeps in short steps so that Ctrl-C ends the wait at once.
bool PauseBetweenAttempts(int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (InterruptRequested()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return !InterruptRequested();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = Utf8Arguments(argc, argv);
    InstallInterruptHandler();
    ConsoleOutput output;
    ChannelLinkFactory links(DeviceLink::PARSER_WAKES, /*sendAtOnce=*/true, InterruptRequested);
    ChannelLinkFactory pacedLinks(DeviceLink::PARSER_PACED, false, InterruptRequested);
    Environment environment;
    environment.links = &links;
    environment.pacedLinks = &pacedLinks;
    environment.output = &output;
    environment.language = DetectLanguage();
    environment.pause = PauseBetweenAttempts;
    return RunQvlog(std::vector<std::string>(args.begin() + (args.empty() ? 0 : 1), args.end()), environment);
}
