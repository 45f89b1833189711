#include "settings/Settings.h"

#include <cstdio>
#include <cstring>

#include "settings/Profile.h"
#include "settings/TextField.h"

namespace {

constexpr char SECTION_CONNECTION[] = "connection";
constexpr char SECTION_LOG[] = "log";
constexpr char SECTION_WINDOW[] = "window";

constexpr char DEFAULT_HOST[] = "192.168.0.100";
constexpr int32_t DEFAULT_COM = 1;

constexpr uint32_t VALUE_BUFFER = 1025;
constexpr size_t NUMBER_TEXT_SIZE = 16;

static_assert(SETTINGS_PATH_SIZE == PROFILE_PATH_SIZE, "the settings path is a profile path");

// The read every key goes through: a missing or empty value takes the
// default, which is written back at once; that write's outcome does not
// matter for the read.
void ReadValue(const char* path, const char* section, const char* key, const char* fallback,
               char* buffer, uint32_t size, DefaultWrites writes = WRITE_DEFAULTS) {
    if (GetProfileText(section, key, buffer, size, path) > 0) return;
    CopyBounded(buffer, size, fallback);
    if (writes == WRITE_DEFAULTS) (void)WriteProfileText(section, key, fallback, path);
}

void FormatNumber(int32_t value, char (&text)[NUMBER_TEXT_SIZE]) {
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
}

int32_t ReadNumber(const char* path, const char* key, int32_t fallback, DefaultWrites writes) {
    char fallbackText[NUMBER_TEXT_SIZE];
    FormatNumber(fallback, fallbackText);
    char text[VALUE_BUFFER];
    ReadValue(path, SECTION_CONNECTION, key, fallbackText, text, sizeof text, writes);
    return ParseDecimal(text, nullptr);
}

bool WriteNumber(const char* path, const char* key, int32_t value) {
    char text[NUMBER_TEXT_SIZE];
    FormatNumber(value, text);
    return WriteProfileText(SECTION_CONNECTION, key, text, path);
}

}  // namespace

bool BuildSettingsPath(const char* startDir, char (&path)[SETTINGS_PATH_SIZE]) {
    path[0] = '\0';
    if (startDir == nullptr || *startDir == '\0') return false;
    return JoinProfilePath(startDir, SETTINGS_FILE_NAME, path);
}

const char* MethodName(int32_t method) { return method == METHOD_WIFI ? "WIFI" : "USB"; }

void ReadConnectionSettings(const char* path, ConnectionSettings& connection, DefaultWrites writes) {
    char text[VALUE_BUFFER];
    ReadValue(path, SECTION_CONNECTION, "method", MethodName(METHOD_USB), text, sizeof text, writes);
    // Exact: a lower-case "wifi" is not Wi-Fi.
    connection.method = std::strcmp(text, MethodName(METHOD_WIFI)) == 0 ? METHOD_WIFI : METHOD_USB;

    connection.com = ReadNumber(path, "com", DEFAULT_COM, writes);

    ReadValue(path, SECTION_CONNECTION, "host", DEFAULT_HOST, text, sizeof text, writes);
    CopyBounded(connection.host, sizeof connection.host, text);

    connection.dService = ReadNumber(path, "dService", DEFAULT_SERVICE, writes);
}

void ReadLogSettings(const char* path, const char* startDir, char (&savePath)[SAVE_PATH_SIZE],
                     DefaultWrites writes) {
    char fallback[SAVE_PATH_SIZE];
    CopyBounded(fallback, sizeof fallback, startDir);
    char text[VALUE_BUFFER];
    ReadValue(path, SECTION_LOG, "path", fallback, text, sizeof text, writes);
    // A folder too long to be a path would leave the save folder empty, and a
    // download would then write beside the drive's root; the start folder
    // serves instead. The stored text stays in the file until exit.
    const size_t length = std::strlen(text);
    CopyBounded(savePath, SAVE_PATH_SIZE, length > 0 && length < SAVE_PATH_SIZE ? text : fallback);
}

void ReadWindowSettings(const char* path, WindowPosition& position) {
    char fallback[WINDOW_POSITION_TEXT_SIZE];
    FormatWindowPosition(WindowPosition{SHOW_STATE_NORMAL, 0, 0, 0, 0}, fallback, sizeof fallback);
    char text[WINDOW_POSITION_TEXT_SIZE];
    ReadValue(path, SECTION_WINDOW, "mainPosition", fallback, text, sizeof text);
    ParseWindowPosition(text, position);
}

bool WriteConnectionSettings(const char* path, const ConnectionSettings& connection) {
    return WriteProfileText(SECTION_CONNECTION, "method", MethodName(connection.method), path) &&
           WriteNumber(path, "com", connection.com) &&
           WriteProfileText(SECTION_CONNECTION, "host", connection.host, path) &&
           WriteNumber(path, "dService", connection.dService);
}

bool WriteWindowSettings(const char* path, const WindowPosition& position) {
    char text[WINDOW_POSITION_TEXT_SIZE];
    FormatWindowPosition(position, text, sizeof text);
    return WriteProfileText(SECTION_WINDOW, "mainPosition", text, path);
}

bool SaveSettings(const char* startDir, const WindowPosition& placement,
                  SettingsRecord& settings) {
    WindowPosition& position = settings.windowPosition;
    position = placement;

    char path[SETTINGS_PATH_SIZE];
    if (!BuildSettingsPath(startDir, path)) return false;
    return WriteConnectionSettings(path, settings.connection) &&
           WriteProfileText(SECTION_LOG, "path", settings.savePath, path) &&
           WriteWindowSettings(path, position);
}
