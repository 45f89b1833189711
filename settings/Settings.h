// The tool's remembered settings and their file, setting.ini in the start
// folder: read once before the main dialog exists, with every missing or
// empty value written back as its default at once; written once when the
// dialog is destroyed. Dialog thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/WindowPosition.h"

constexpr int32_t METHOD_USB = 0;
constexpr int32_t METHOD_WIFI = 1;

constexpr size_t HOST_SIZE = 20;           // at most 19 characters
constexpr size_t SAVE_PATH_SIZE = 260;     // at most 259 characters
constexpr size_t SETTINGS_PATH_SIZE = 260;

constexpr char SETTINGS_FILE_NAME[] = "setting.ini";

// How the instrument was reached; edited by the main dialog.
struct ConnectionSettings {
    int32_t method;          // METHOD_USB or METHOD_WIFI
    int32_t com;             // the saved COM port number
    char host[HOST_SIZE];    // IPv4 address, dotted
    int32_t dService;        // TCP port
};

// The instrument's TCP port when setting.ini names none.
constexpr int32_t DEFAULT_SERVICE = 10101;

// Everything setting.ini holds, as the dialog's shared state keeps it.
struct SettingsRecord {
    ConnectionSettings connection;
    char savePath[SAVE_PATH_SIZE];  // empty until ReadLogSettings
    WindowPosition windowPosition;
};

// startDir joined with "setting.ini". False, and path empty, when startDir is
// empty or the result would not fit: the reads then give the defaults and
// nothing is written, rather than touching a file somewhere else.
bool BuildSettingsPath(const char* startDir, char (&path)[SETTINGS_PATH_SIZE]);

// [connection] method, com, host, dService, in this order.
// Whether a missing value's default is written back at once (the dialog) or
// the file is left as it is (the command-line tool).
enum DefaultWrites { WRITE_DEFAULTS, LEAVE_FILE };

void ReadConnectionSettings(const char* path, ConnectionSettings& connection,
                            DefaultWrites writes = WRITE_DEFAULTS);

// [log] path, default startDir. A stored folder of 260 characters or more
// cannot be used: savePath then gets the default too.
void ReadLogSettings(const char* path, const char* startDir, char (&savePath)[SAVE_PATH_SIZE],
                     DefaultWrites writes = WRITE_DEFAULTS);

// [window] mainPosition, default "0,0,0,0,normal", through ParseWindowPosition.
void ReadWindowSettings(const char* path, WindowPosition& position);

// Writes method, com, host and dService in this order; stops at the first
// write that fails. Returns whether all four were written.
bool WriteConnectionSettings(const char* path, const ConnectionSettings& connection);

// Writes [window] mainPosition; returns whether it was written.
bool WriteWindowSettings(const char* path, const WindowPosition& position);

// At exit: takes the placement into settings.windowPosition, then writes the
// connection group, [log] path and the window group, each only if the one
// before it was written. Returns whether everything was written.
bool SaveSettings(const char* startDir, const WindowPosition& placement,
                  SettingsRecord& settings);

// "WIFI" for METHOD_WIFI, "USB" for every other value.
const char* MethodName(int32_t method);
