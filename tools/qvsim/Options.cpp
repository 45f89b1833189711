#include "tools/qvsim/Options.h"

#include <algorithm>

#include "tools/qvsim/LiveCatalogue.h"

namespace qvsim {

namespace {

// Options met so far, for the checks that span options, made once every
// option is read.
struct Given {
    bool listen = false;
    bool generate = false;
    bool loggingRate = false;
};

// One option's value on its way into Options.
struct Parsing {
    Options& options;
    const std::string& name;
    const std::string& value;
    std::string& complaint;
    Given& given;
};

// Reads the value into Options; false when it is bad. A rule that finds a
// fault of its own says it in `complaint`; otherwise the caller names the value.
using Apply = bool (*)(Parsing& p);

struct OptionRow {
    const char* shortName;    // "-h", or null
    const char* name;         // "--help"; null: a line of the help text only
    const char* placeholder;  // what the value stands for; null: a flag, which takes none
    const char* help;         // lines after the first are indented under the first
    Apply apply;
};

constexpr size_t HELP_COLUMN = 24;

bool Unsigned(const std::string& text, uint64_t max, uint64_t& value) {
    if (text.empty() || text.size() > 20) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (digit > max || value > (max - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

template <typename T>
bool Number(const std::string& text, uint64_t min, uint64_t max, T& out) {
    uint64_t value;
    if (!Unsigned(text, max, value) || value < min) return false;
    out = static_cast<T>(value);
    return true;
}

bool Path(const std::string& text, std::string& out) {
    out = text;
    return !text.empty();
}

bool ParseListen(Parsing& p) {
    Options& options = p.options;
    const std::string& text = p.value;
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = text.substr(0, colon);
    size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t dot = part < 3 ? host.find('.', at) : host.size();
        if (dot == std::string::npos) return false;
        if (!Number(host.substr(at, dot - at), 0, 255, options.listenAddress[part])) return false;
        at = dot + 1;
    }
    p.given.listen = true;
    return Number(text.substr(colon + 1), 0, 65535, options.listenPort);
}

bool ParseGenerate(Parsing& p) {
    const std::string& text = p.value;
    const size_t a = text.find(',');
    const size_t b = a == std::string::npos ? a : text.find(',', a + 1);
    if (b == std::string::npos) return false;
    p.given.generate = true;
    return Number(text.substr(0, a), 0, 100000, p.options.generateRuns) &&
           Number(text.substr(a + 1, b - a - 1), 0, 65535, p.options.generateFiles) &&
           Number(text.substr(b + 1), 0, UINT32_MAX, p.options.generateBytes);
}

bool ParseRates(Parsing& p) {
    std::vector<uint32_t>& rates = p.options.loggingRates;
    rates.clear();
    for (size_t at = 0;;) {
        if (rates.size() == MAX_INSTRUMENTS) return false;
        size_t comma = p.value.find(',', at);
        if (comma == std::string::npos) comma = p.value.size();
        uint32_t rate;
        if (!Number(p.value.substr(at, comma - at), 0, LiveCatalogue::MAX_RATE, rate)) return false;
        rates.push_back(rate);
        if (comma == p.value.size()) return true;
        at = comma + 1;
    }
}

bool ParseSerialLine(Parsing& p) {
    if (p.value.empty()) return false;
    if (p.options.transport != Transport::TCP) {
        p.complaint = "--pty and --serial exclude each other";
        return false;
    }
    p.options.transport = p.name == "--pty" ? Transport::PTY : Transport::SERIAL;
    p.options.serialPath = p.value;
    return true;
}

// The options in the order --help lists them, with the text between them.
const OptionRow OPTIONS[] = {
    {nullptr, nullptr, nullptr,
     "usage: qvsim [options]\n"
     "Plays a QV-500 instrument over TCP or a serial line, for the log downloader.\n"
     "\n"
     "Where it listens (one of):",
     nullptr},
    {nullptr, "--listen", "ADDR:PORT",
     "TCP, one connection at a time (default 127.0.0.1:10101;\n"
     "port 0 picks a free one)",
     ParseListen},
    {nullptr, "--pty", "LINK",
     "Linux: a new pseudo-terminal, raw, with the symlink LINK to\n"
     "it (removed on exit); a new CMD_CONNECT starts afresh",
     ParseSerialLine},
    {nullptr, "--serial", "PATH", "Linux: an existing serial device, raw 115200 8N1", ParseSerialLine},
    {nullptr, nullptr, nullptr,
     "The first line on stdout says where: \"listening on ADDR:PORT\" or \"serial on PATH\".",
     nullptr},
    {nullptr, "--instruments", "N",
     "TCP: N instruments in one process (1 to 256, default 1) on\n"
     "N consecutive ports from --listen's (port 0: a free run of\n"
     "N), each with its own line \"listening on ADDR:PORT\", in\n"
     "order, and its own thread, catalogue and logging. Instrument\n"
     "K holds --generate's runs K - 1 minutes later, with rows of\n"
     "its own, or --logs DIR's DIR/K when that folder exists (else\n"
     "DIR); --dump DIR writes DIR/K",
     [](Parsing& p) { return Number(p.value, 1, MAX_INSTRUMENTS, p.options.instruments); }},
    {nullptr, nullptr, nullptr,
     "\n"
     "What it holds (default --generate 3,4,3000):",
     nullptr},
    {nullptr, "--logs", "DIR",
     "runs from DIR: folders YYYYMMDD_HHMMSS holding 00000000.csv,\n"
     "00000001.csv, ... (a run's files: the numbers from 0 on\n"
     "without a gap)",
     [](Parsing& p) { return Path(p.value, p.options.logsDir); }},
    {nullptr, "--generate", "R,F,B",
     "R runs of F files of exactly B bytes of made-up CSV log,\n"
     "two runs a day from 2024-05-07 09:05:00; always the same",
     ParseGenerate},
    {nullptr, "--dump", "DIR",
     "write the catalogue to DIR in the --logs layout, then exit\n"
     "(with --logging-rate: serves on, see there)",
     [](Parsing& p) { return Path(p.value, p.options.dumpDir); }},
    {nullptr, "--block-size", "N",
     "largest data-block payload, 1 to 1024 (default 1024); date\n"
     "and time lists carry as many whole records as fit, at least one",
     [](Parsing& p) { return Number(p.value, 1, FRAME_PAYLOAD_MAX, p.options.instrument.blockSize); }},
    {nullptr, "--log-enable", "0|1", "log collection switch at start (default 1)",
     [](Parsing& p) { return Number(p.value, 0, 1, p.options.instrument.logEnable); }},
    {nullptr, "--log-size", "BYTES", "log file size setting at start (default 1048576)",
     [](Parsing& p) { return Number(p.value, 0, UINT32_MAX, p.options.instrument.logSize); }},
    {nullptr, "--logging-rate", "BPS",
     "logging goes on while qvsim runs (default 0: it does not):\n"
     "the newest run's last file grows by BPS bytes of made-up CSV\n"
     "rows a second (at most 100000000) while log collection is\n"
     "on, and at the log file size (0: 4 GiB - 1) the run goes on\n"
     "in a new file; both settings as they stand, from the options\n"
     "or the tool. A request sees the growth as it is answered; a\n"
     "file goes out at exactly the size its CMD_GET_FILE reply\n"
     "announced. With --dump, qvsim writes DIR, serves, and brings\n"
     "DIR's grown files up to date as each CMD_GET_FILE_COUNT,\n"
     "CMD_GET_FILE or setting change sees them, before answering it:\n"
     "DIR holds what the last such request saw",
     [](Parsing& p) {
         p.given.loggingRate = true;
         return Number(p.value, 0, LiveCatalogue::MAX_RATE, p.options.loggingRate);
     }},
    {nullptr, "--logging-rates", "LIST",
     "--logging-rate of each instrument of --instruments in turn:\n"
     "as many rates as instruments, comma-separated",
     ParseRates},
    {nullptr, nullptr, nullptr,
     "\n"
     "Answers and faults:",
     nullptr},
    {nullptr, "--connect-status", "S", "status of the CMD_CONNECT reply (default 0)",
     [](Parsing& p) { return Number(p.value, 0, 255, p.options.instrument.connectStatus); }},
    {nullptr, "--sd-missing", nullptr, "catalogue and file commands answer 11 (no SD card)",
     [](Parsing& p) { p.options.instrument.sdMissing = true; return true; }},
    {nullptr, "--unsupported", nullptr, "catalogue and file commands answer 255 (wins over --sd-missing)",
     [](Parsing& p) { p.options.instrument.unsupported = true; return true; }},
    {nullptr, "--busy", "N", "the first N CMD_GET_FILE of each file answer 13 (not ready)",
     [](Parsing& p) { return Number(p.value, 0, UINT32_MAX, p.options.instrument.busy); }},
    {nullptr, "--error-block-at", "N", "the Nth block of each sequence carries BLOCK_ERROR and ends it",
     [](Parsing& p) { return Number(p.value, 1, UINT32_MAX, p.options.instrument.errorBlockAt); }},
    {nullptr, "--silent-after", "N",
     "after the Nth block of a sequence, send no more blocks until\n"
     "the next request (0: the reply only, no block at all)",
     [](Parsing& p) { return Number(p.value, 0, INT32_MAX, p.options.instrument.silentAfter); }},
    {nullptr, "--drop-every", "N", "every Nth frame sent is left out",
     [](Parsing& p) { return Number(p.value, 1, UINT32_MAX, p.options.instrument.line.dropEvery); }},
    {nullptr, "--corrupt-every", "N", "every Nth frame sent has a wrong checksum",
     [](Parsing& p) { return Number(p.value, 1, UINT32_MAX, p.options.instrument.line.corruptEvery); }},
    {nullptr, "--noise", nullptr, "random bytes (never 0xAA or 0x55) before every frame",
     [](Parsing& p) { p.options.instrument.line.noise = true; return true; }},
    {nullptr, "--split", nullptr,
     "frames written in random pieces of 1 to 8 bytes, with pauses\n"
     "of up to 2 ms now and then",
     [](Parsing& p) { p.options.instrument.line.split = true; return true; }},
    {nullptr, "--reply-delay", "MS", "answer every request MS milliseconds late",
     [](Parsing& p) { return Number(p.value, 0, 3600000, p.options.instrument.replyDelayMs); }},
    {nullptr, "--turnaround", "MS",
     "send each data block MS milliseconds after the request for it\n"
     "arrived (the first block: MS after the reply)",
     [](Parsing& p) { return Number(p.value, 0, 3600000, p.options.instrument.turnaroundMs); }},
    {nullptr, "--close-after", "N",
     "close the connection once N frames went out (serial: send\n"
     "nothing more until the next CMD_CONNECT)",
     [](Parsing& p) { return Number(p.value, 0, INT32_MAX, p.options.instrument.line.closeAfter); }},
    {nullptr, "--baud", "B", "pace the output at B baud, 10 bits a byte",
     [](Parsing& p) { return Number(p.value, 50, 4000000, p.options.instrument.line.baud); }},
    {nullptr, "--seed", "N", "seed of --noise and --split (default 1); same seed, same run",
     [](Parsing& p) { return Number(p.value, 0, UINT64_MAX, p.options.instrument.line.seed); }},
    {nullptr, "--fault-instrument", "K",
     "the answers and faults above, --connect-status to --seed,\n"
     "are instrument K's alone (of --instruments); the others\n"
     "answer as a sound instrument does",
     [](Parsing& p) { return Number(p.value, 1, MAX_INSTRUMENTS, p.options.faultInstrument); }},
    {nullptr, nullptr, nullptr,
     "Frame counts (--drop-every, --corrupt-every, --close-after) start again with every\n"
     "connection and every CMD_CONNECT; --busy counts last as long as the program.\n"
     "Unknown commands answer 255; a short payload or unknown setting item answers 1;\n"
     "CMD_GET_FILE for a run or file that does not exist answers 2.\n"
     "\n"
     "Tracing:",
     nullptr},
    {"-v", "--verbose", nullptr,
     "every frame both ways in hex on stderr, with a time stamp\n"
     "(and #K after it for instrument K of several)",
     [](Parsing& p) { p.options.verbose = true; return true; }},
    {nullptr, "--record", "FILE", "the same trace into FILE",
     [](Parsing& p) { return Path(p.value, p.options.recordPath); }},
    {"-h", "--help", nullptr, "this text", [](Parsing& p) { p.options.help = true; return true; }},
    {nullptr, "--version", nullptr, "the version, then exit",
     [](Parsing& p) { p.options.version = true; return true; }},
    {nullptr, nullptr, nullptr,
     "\n"
     "SIGINT or SIGTERM (Ctrl+C on Windows) end it with exit status 0.",
     nullptr},
};

const OptionRow* Find(const std::string& name) {
    for (const OptionRow& row : OPTIONS)
        if (row.name && (name == row.name || (row.shortName && name == row.shortName))) return &row;
    return nullptr;
}

std::string BuildUsage() {
    std::string text;
    for (const OptionRow& row : OPTIONS) {
        if (!row.name) {
            text += row.help;
            text += '\n';
            continue;
        }
        std::string head = "  ";
        if (row.shortName) head += std::string(row.shortName) + ", ";
        head += row.name;
        if (row.placeholder) head += std::string(" ") + row.placeholder;
        head.resize(std::max(head.size() + 1, HELP_COLUMN), ' ');
        text += head;
        for (const char* line = row.help; *line;) {
            const char* end = line;
            while (*end && *end != '\n') ++end;
            if (line != row.help) text.append(HELP_COLUMN, ' ');
            text.append(line, end);
            text += '\n';
            line = *end ? end + 1 : end;
        }
    }
    return text;
}

// The options that exclude or need each other; false with `error` set.
bool Consistent(const Options& options, const Given& given, std::string& error) {
    const struct {
        bool wrong;
        const char* complaint;
    } checks[] = {
        {!options.logsDir.empty() && given.generate, "--logs and --generate exclude each other"},
        {given.listen && options.transport != Transport::TCP, "--listen excludes --pty and --serial"},
        {options.instruments > 1 && options.transport != Transport::TCP, "--instruments excludes --pty and --serial"},
        {options.listenPort != 0 && options.listenPort + options.instruments - 1 > 65535,
         "--instruments runs past port 65535"},
        {options.faultInstrument > options.instruments, "--fault-instrument names no instrument of --instruments"},
        {given.loggingRate && !options.loggingRates.empty(), "--logging-rate and --logging-rates exclude each other"},
        {!options.loggingRates.empty() && options.loggingRates.size() != options.instruments,
         "--logging-rates needs one rate for each instrument"},
    };
    for (const auto& check : checks)
        if (check.wrong) {
            error = check.complaint;
            return false;
        }
    return true;
}

}  // namespace

const char* UsageText() {
    static const std::string usage = BuildUsage();
    return usage.c_str();
}

bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
    Given given;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        bool inlineValue = false;
        const size_t equals = name.find('=');
        if (name.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
            inlineValue = true;
        }
        const OptionRow* row = Find(name);
        if (!row) {
            error = "unknown option " + name;
            return false;
        }
        if (!row->placeholder && inlineValue) {
            error = name + " takes no value";
            return false;
        }
        if (row->placeholder && !inlineValue) {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        std::string complaint;
        Parsing parsing{options, name, value, complaint, given};
        if (!row->apply(parsing)) {
            error = complaint.empty() ? "bad value for " + name + ": \"" + value + "\"" : complaint;
            return false;
        }
    }
    return Consistent(options, given, error);
}

InstrumentConfig ConfigOf(const Options& options, uint32_t index) {
    if (options.faultInstrument == 0 || options.faultInstrument == index) return options.instrument;
    // What the instrument holds stays; how it answers is a sound one's.
    InstrumentConfig sound;
    sound.blockSize = options.instrument.blockSize;
    sound.logEnable = options.instrument.logEnable;
    sound.logSize = options.instrument.logSize;
    return sound;
}

uint32_t LoggingRateOf(const Options& options, uint32_t index) {
    return options.loggingRates.empty() ? options.loggingRate : options.loggingRates[index - 1];
}

bool DumpsAndExits(const Options& options) {
    if (options.dumpDir.empty()) return false;
    for (uint32_t index = 1; index <= options.instruments; ++index)
        if (LoggingRateOf(options, index) > 0) return false;
    return true;
}

std::string DumpDirOf(const Options& options, uint32_t index) {
    if (options.dumpDir.empty() || options.instruments == 1) return options.dumpDir;
    return options.dumpDir + "/" + std::to_string(index);
}

}  // namespace qvsim
