// The fleet file of `qvlog sync`: the lab's instruments, one INI section
// each, read and checked before anything connects.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "settings/Settings.h"
#include "tools/qvlog/Texts.h"

constexpr int FLEET_JOBS_DEFAULT = 4;
constexpr int FLEET_JOBS_MAX = 64;

struct FleetInstrument {
    std::string name;  // the section name, UTF-8
    int line = 0;      // where its section starts
    bool tcp = false;  // else serial
    std::string host;
    int port = DEFAULT_SERVICE;
    std::string serialPort;  // as written; ParseSerialName judges it when the sync opens it
    std::string folder;      // absolute, normalised, UTF-8
};

struct Fleet {
    std::string out;  // absolute, normalised, UTF-8
    int jobs = FLEET_JOBS_DEFAULT;
    std::vector<FleetInstrument> instruments;  // in the file's order
};

// Reads and checks `file` into a fresh `fleet`. False with `error` set to one
// line "FILE:LINE: what is wrong" in `language`, the line left out when the
// fault is the whole file's.
bool ReadFleet(const std::filesystem::path& file, Language language, Fleet& fleet, std::string& error);

// Keeps the instruments named in `onlyList` ("a,b"), in the file's order; an
// empty list keeps them all. False with `error` when a name is not in the fleet.
bool SelectInstruments(Fleet& fleet, const std::string& onlyList, Language language, std::string& error);

// What tells two folders apart on this system: the path itself, or on Windows
// its upper case, as NTFS compares names. In posix/ and win32/FolderKey.cpp.
std::string FolderKey(const std::filesystem::path& folder);
