// qvsim's command line: what to serve, where, and how badly.
#pragma once

#include <cstdint>
#include <string>

#include "tools/qvsim/Instrument.h"

namespace qvsim {

enum class Transport { TCP, PTY, SERIAL };

struct Options {
    Transport transport = Transport::TCP;
    uint8_t listenAddress[4] = {127, 0, 0, 1};
    uint16_t listenPort = 10101;
    std::string serialPath;  // the pty's link, or the serial device

    std::string logsDir;     // empty: a generated catalogue
    uint32_t generateRuns = 3;
    uint32_t generateFiles = 4;
    uint32_t generateBytes = 3000;
    std::string dumpDir;     // set: write the catalogue there and exit
    uint32_t loggingRate = 0;  // bytes a second the newest run grows by; 0: it does not

    bool verbose = false;
    std::string recordPath;
    bool help = false;
    bool version = false;

    InstrumentConfig instrument;
};

// Fills `options` from argv[1..]; false with a message in `error` on the
// first option that is unknown, misses its value or is out of range.
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);

const char* UsageText();

}  // namespace qvsim
