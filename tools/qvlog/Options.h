// The command line of qvlog.
#pragma once

#include <string>
#include <vector>

#include "tools/qvlog/Texts.h"

enum class Transport { FROM_SETTINGS, TCP, SERIAL };
enum class Command { NONE, DEVICES, LIST, DOWNLOAD, SETTINGS_GET, SETTINGS_SET, SYNC };
// As typed and as the JSON names it: "devices", "settings get"; "" for NONE.
const char* CommandName(Command command);

struct Options {
    Transport transport = Transport::FROM_SETTINGS;
    std::string host;
    int port = 10101;
    std::string serialPort;  // COM3 on Windows, a device path on Linux

    Command command = Command::NONE;
    bool json = false;
    // After no response, a lost connection or a transfer error: how many
    // times in a row to connect again and go on.
    int retries = 2;
    bool version = false;  // --version: print it and do nothing else
    // The dialog's cadence: the link looks at the line every 10 ms instead
    // of waking when bytes arrive.
    bool paced = false;

    // download
    std::string date;  // YYYY/MM/DD
    std::string time;  // HH:MM:SS
    std::vector<int> files;  // ascending, without repeats
    bool allFiles = false;
    bool allRuns = false;
    std::string outDir;
    bool skipExisting = false;

    // sync
    std::string fleetFile;  // UTF-8; empty: fleet.ini in the current folder
    std::string only;       // instrument names, comma-separated; empty: all
    int jobs = 0;           // instruments at once; 0: as the fleet file says

    // settings set
    int collect = -1;  // -1 unchanged, 0 off, 1 on
    bool sizeGiven = false;
    long long sizeKb = 0;
};

constexpr long long SIZE_KB_MIN = 10;
constexpr long long SIZE_KB_MAX = 204800;
constexpr int RETRIES_MAX = 100;
constexpr int JOBS_MAX = 64;

// Parses the arguments after the program's name into fresh `options`; on a
// usage error returns false with `error` set in `language`, and on --help
// false with it empty.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error,
                  Language language = Language::ENGLISH);
std::string UsageText(Language language = Language::ENGLISH);
