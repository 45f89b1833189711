// The command line of qvlog.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class Transport { FROM_SETTINGS, TCP, SERIAL };
enum class Command { NONE, DEVICES, LIST, DOWNLOAD, SETTINGS_GET, SETTINGS_SET };

struct Options {
    Transport transport = Transport::FROM_SETTINGS;
    std::string host;
    int port = 10101;
    std::string serialPort;  // COM3 on Windows, a device path on Linux

    Command command = Command::NONE;
    bool json = false;
    // The dialog's cadence: the link looks at the line every 10 ms instead
    // of waking when bytes arrive.
    bool paced = false;

    // download
    std::string date;  // YYYY/MM/DD
    std::string time;  // HH:MM:SS
    std::vector<int> files;
    bool allFiles = false;
    bool allRuns = false;
    std::string outDir;
    bool skipExisting = false;

    // settings set
    int collect = -1;       // -1 unchanged, 0 off, 1 on
    bool sizeGiven = false;
    long long sizeKb = 0;
};

// Parses argv; on a usage error returns false with `error` set.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);
// "0,2,5-7" into file numbers, ascending, without repeats.
bool ParseFileList(const std::string& text, std::vector<int>& files);
const char* UsageText();
