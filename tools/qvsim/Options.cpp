#include "tools/qvsim/Options.h"

#include "tools/qvsim/LiveCatalogue.h"

namespace qvsim {

namespace {

const char USAGE[] =
    "usage: qvsim [options]\n"
    "Plays a QV-500 instrument over TCP or a serial line, for the log downloader.\n"
    "\n"
    "Where it listens (one of):\n"
    "  --listen ADDR:PORT    TCP, one connection at a time (default 127.0.0.1:10101;\n"
    "                        port 0 picks a free one)\n"
    "  --pty LINK            Linux: a new pseudo-terminal, raw, with the symlink LINK to\n"
    "                        it (removed on exit); a new CMD_CONNECT starts afresh\n"
    "  --serial PATH         Linux: an existing serial device, raw 115200 8N1\n"
    "The first line on stdout says where: \"listening on ADDR:PORT\" or \"serial on PATH\".\n"
    "\n"
    "What it holds (default --generate 3,4,3000):\n"
    "  --logs DIR            runs from DIR: folders YYYYMMDD_HHMMSS holding 00000000.csv,\n"
    "                        00000001.csv, ... (a run's files: the numbers from 0 on\n"
    "                        without a gap)\n"
    "  --generate R,F,B      R runs of F files of exactly B bytes of made-up CSV log,\n"
    "                        two runs a day from 2024-05-07 09:05:00; always the same\n"
    "  --dump DIR            write the catalogue to DIR in the --logs layout, then exit\n"
    "                        (with --logging-rate: serves on, see there)\n"
    "  --block-size N        largest data-block payload, 1 to 1024 (default 1024); date\n"
    "                        and time lists carry as many whole records as fit, at least one\n"
    "  --log-enable 0|1      log collection switch at start (default 1)\n"
    "  --log-size BYTES      log file size setting at start (default 1048576)\n"
    "  --logging-rate BPS    logging goes on while qvsim runs (default 0: it does not):\n"
    "                        the newest run's last file grows by BPS bytes of made-up CSV\n"
    "                        rows a second (at most 100000000) while log collection is\n"
    "                        on, and at the log file size (0: 4 GiB - 1) the run goes on\n"
    "                        in a new file; both settings as they stand, from the options\n"
    "                        or the tool. A request sees the growth as it is answered; a\n"
    "                        file goes out at exactly the size its CMD_GET_FILE reply\n"
    "                        announced. With --dump, qvsim writes DIR, serves, and brings\n"
    "                        DIR's grown files up to date as each CMD_GET_FILE_COUNT,\n"
    "                        CMD_GET_FILE or setting change sees them, before answering it:\n"
    "                        DIR holds what the last such request saw\n"
    "\n"
    "Answers and faults:\n"
    "  --connect-status S    status of the CMD_CONNECT reply (default 0)\n"
    "  --sd-missing          catalogue and file commands answer 11 (no SD card)\n"
    "  --unsupported         catalogue and file commands answer 255 (wins over --sd-missing)\n"
    "  --busy N              the first N CMD_GET_FILE of each file answer 13 (not ready)\n"
    "  --error-block-at N    the Nth block of each sequence carries BLOCK_ERROR and ends it\n"
    "  --silent-after N      after the Nth block of a sequence, send no more blocks until\n"
    "                        the next request (0: the reply only, no block at all)\n"
    "  --drop-every N        every Nth frame sent is left out\n"
    "  --corrupt-every N     every Nth frame sent has a wrong checksum\n"
    "  --noise               random bytes (never 0xAA or 0x55) before every frame\n"
    "  --split               frames written in random pieces of 1 to 8 bytes, with pauses\n"
    "                        of up to 2 ms now and then\n"
    "  --reply-delay MS      answer every request MS milliseconds late\n"
    "  --turnaround MS       send each data block MS milliseconds after the request for it\n"
    "                        arrived (the first block: MS after the reply)\n"
    "  --close-after N       close the connection once N frames went out (serial: send\n"
    "                        nothing more until the next CMD_CONNECT)\n"
    "  --baud B              pace the output at B baud, 10 bits a byte\n"
    "  --seed N              seed of --noise and --split (default 1); same seed, same run\n"
    "Frame counts (--drop-every, --corrupt-every, --close-after) start again with every\n"
    "connection and every CMD_CONNECT; --busy counts last as long as the program.\n"
    "Unknown commands answer 255; a short payload or unknown setting item answers 1;\n"
    "CMD_GET_FILE for a run or file that does not exist answers 2.\n"
    "\n"
    "Tracing:\n"
    "  -v, --verbose         every frame both ways in hex on stderr, with a time stamp\n"
    "  --record FILE         the same trace into FILE\n"
    "  -h, --help            this text\n"
    "  --version             the version, then exit\n"
    "\n"
    "SIGINT or SIGTERM (Ctrl+C on Windows) end it with exit status 0.\n";

bool TakesValue(const std::string& name) {
    static const char* const names[] = {
        "--listen",     "--pty",          "--serial",       "--logs",         "--generate",
        "--dump",       "--record",       "--block-size",   "--log-enable",   "--log-size",
        "--connect-status", "--busy",     "--error-block-at", "--silent-after", "--drop-every",
        "--corrupt-every", "--reply-delay", "--turnaround", "--close-after", "--baud", "--seed",
        "--logging-rate"};
    for (const char* known : names)
        if (name == known) return true;
    return false;
}

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

bool ParseListen(const std::string& text, Options& options) {
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
    return Number(text.substr(colon + 1), 0, 65535, options.listenPort);
}

bool ParseGenerate(const std::string& text, Options& options) {
    const size_t a = text.find(',');
    const size_t b = a == std::string::npos ? a : text.find(',', a + 1);
    if (b == std::string::npos) return false;
    return Number(text.substr(0, a), 0, 100000, options.generateRuns) &&
           Number(text.substr(a + 1, b - a - 1), 0, 65535, options.generateFiles) &&
           Number(text.substr(b + 1), 0, UINT32_MAX, options.generateBytes);
}

}  // namespace

const char* UsageText() { return USAGE; }

bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
    InstrumentConfig& inst = options.instrument;
    bool haveListen = false, haveLogs = false, haveGenerate = false;
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
        // Takes the option's value from "--name=value" or the next argument.
        auto next = [&]() -> bool {
            if (inlineValue) return true;
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto bad = [&]() {
            error = "bad value for " + name + ": \"" + value + "\"";
            return false;
        };
        auto flag = [&](bool& target) {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
            target = true;
            return true;
        };

        if (name == "-h" || name == "--help") {
            if (!flag(options.help)) return false;
        } else if (name == "--version") {
            if (!flag(options.version)) return false;
        } else if (name == "-v" || name == "--verbose") {
            if (!flag(options.verbose)) return false;
        } else if (name == "--sd-missing") {
            if (!flag(inst.sdMissing)) return false;
        } else if (name == "--unsupported") {
            if (!flag(inst.unsupported)) return false;
        } else if (name == "--noise") {
            if (!flag(inst.line.noise)) return false;
        } else if (name == "--split") {
            if (!flag(inst.line.split)) return false;
        } else if (!TakesValue(name)) {
            error = "unknown option " + name;
            return false;
        } else if (!next()) {
            return false;
        } else if (name == "--listen") {
            if (!ParseListen(value, options)) return bad();
            haveListen = true;
        } else if (name == "--pty" || name == "--serial") {
            if (value.empty()) return bad();
            if (options.transport != Transport::TCP) {
                error = "--pty and --serial exclude each other";
                return false;
            }
            options.transport = name == "--pty" ? Transport::PTY : Transport::SERIAL;
            options.serialPath = value;
        } else if (name == "--logs") {
            if (value.empty()) return bad();
            options.logsDir = value;
            haveLogs = true;
        } else if (name == "--generate") {
            if (!ParseGenerate(value, options)) return bad();
            haveGenerate = true;
        } else if (name == "--dump") {
            if (value.empty()) return bad();
            options.dumpDir = value;
        } else if (name == "--logging-rate") {
            if (!Number(value, 0, LiveCatalogue::MAX_RATE, options.loggingRate)) return bad();
        } else if (name == "--record") {
            if (value.empty()) return bad();
            options.recordPath = value;
        } else if (name == "--block-size") {
            if (!Number(value, 1, FRAME_PAYLOAD_MAX, inst.blockSize)) return bad();
        } else if (name == "--log-enable") {
            if (!Number(value, 0, 1, inst.logEnable)) return bad();
        } else if (name == "--log-size") {
            if (!Number(value, 0, UINT32_MAX, inst.logSize)) return bad();
        } else if (name == "--connect-status") {
            if (!Number(value, 0, 255, inst.connectStatus)) return bad();
        } else if (name == "--busy") {
            if (!Number(value, 0, UINT32_MAX, inst.busy)) return bad();
        } else if (name == "--error-block-at") {
            if (!Number(value, 1, UINT32_MAX, inst.errorBlockAt)) return bad();
        } else if (name == "--silent-after") {
            if (!Number(value, 0, INT32_MAX, inst.silentAfter)) return bad();
        } else if (name == "--drop-every") {
            if (!Number(value, 1, UINT32_MAX, inst.line.dropEvery)) return bad();
        } else if (name == "--corrupt-every") {
            if (!Number(value, 1, UINT32_MAX, inst.line.corruptEvery)) return bad();
        } else if (name == "--reply-delay") {
            if (!Number(value, 0, 3600000, inst.replyDelayMs)) return bad();
        } else if (name == "--turnaround") {
            if (!Number(value, 0, 3600000, inst.turnaroundMs)) return bad();
        } else if (name == "--close-after") {
            if (!Number(value, 0, INT32_MAX, inst.line.closeAfter)) return bad();
        } else if (name == "--baud") {
            if (!Number(value, 50, 4000000, inst.line.baud)) return bad();
        } else if (name == "--seed") {
            if (!Number(value, 0, UINT64_MAX, inst.line.seed)) return bad();
        }
    }
    if (haveLogs && haveGenerate) {
        error = "--logs and --generate exclude each other";
        return false;
    }
    if (haveListen && options.transport != Transport::TCP) {
        error = "--listen excludes --pty and --serial";
        return false;
    }
    return true;
}

}  // namespace qvsim
