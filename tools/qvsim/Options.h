// qvsim's command line: what to serve, where, and how badly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/qvsim/Instrument.h"

namespace qvsim {

enum class Transport { TCP, PTY, SERIAL };

struct Options {
    Transport transport = Transport::TCP;
    uint8_t listenAddress[4] = {127, 0, 0, 1};
    uint16_t listenPort = 10101;
    std::string serialPath;  // the pty's link, or the serial device
    uint32_t instruments = 1;  // TCP: on consecutive ports from listenPort, each on its own thread

    std::string logsDir;     // empty: a generated catalogue
    uint32_t generateRuns = 3;
    uint32_t generateFiles = 4;
    uint32_t generateBytes = 3000;
    std::string dumpDir;     // set: write the catalogue there and exit
    uint32_t loggingRate = 0;  // bytes a second the newest run grows by; 0: it does not
    std::vector<uint32_t> loggingRates;  // one for each instrument; empty: loggingRate for all

    bool verbose = false;
    std::string recordPath;
    bool help = false;
    bool version = false;

    InstrumentConfig instrument;
    uint32_t faultInstrument = 0;  // the one instrument `instrument`'s faults apply to; 0: all
};

constexpr uint32_t MAX_INSTRUMENTS = 256;

// Fills `options` from argv[1..]; false with a message in `error` on the
// first option that is unknown, misses its value or is out of range.
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);

const char* UsageText();

// Instrument `index` (from 1) of the fleet: its switches, its logging rate
// and its --dump folder (empty: none).
InstrumentConfig ConfigOf(const Options& options, uint32_t index);
uint32_t LoggingRateOf(const Options& options, uint32_t index);
std::string DumpDirOf(const Options& options, uint32_t index);
// --dump and no logging: qvsim writes the catalogues and exits.
bool DumpsAndExits(const Options& options);

}  // namespace qvsim
