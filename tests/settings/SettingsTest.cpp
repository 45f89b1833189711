// Runs through the platform's profile functions: the real
// GetPrivateProfileStringA and WritePrivateProfileStringA under Windows and
// Wine, IniFile elsewhere. Files without blank lines or indentation, which
// Wine's rewrite would not keep.
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/Profile.h"
#include "tests/support/TempFolder.h"

namespace {

struct Entry {
    const char* section;
    const char* key;
    std::string value;
};

// Lines of a file, section headers where the section changes.
std::string FileOf(const std::vector<Entry>& entries) {
    const char* newline = "\r\n";
    std::string text;
    std::string section;
    for (const Entry& entry : entries) {
        if (entry.section != section) text += std::string("[") + entry.section + "]" + newline;
        section = entry.section;
        text += std::string(entry.key) + "=" + entry.value + newline;
    }
    return text;
}

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Made());
        ASSERT_TRUE(BuildSettingsPath(folder.Text().c_str(), path));
    }

    SettingsRecord ReadAll() {
        SettingsRecord record{};
        ReadConnectionSettings(path, record.connection);
        ReadLogSettings(path, folder.Text().c_str(), record.savePath);
        ReadWindowSettings(path, record.windowPosition);
        return record;
    }

    std::vector<Entry> Defaults() const {
        return {{"connection", "method", "USB"},
                {"connection", "com", "1"},
                {"connection", "host", "192.168.0.100"},
                {"connection", "dService", "10101"},
                {"log", "path", folder.Text()},
                {"window", "mainPosition", "0,0,0,0,normal"}};
    }

    TempFolder folder;
    char path[SETTINGS_PATH_SIZE];
};

const std::vector<Entry> STORED = {
    {"connection", "method", "WIFI"},  {"connection", "com", "4"},
    {"connection", "host", "10.1.2.3"}, {"connection", "dService", "2000"},
    {"log", "path", "C:\\logs"},       {"window", "mainPosition", "10,20,300,400,maximized"}};

// The record's six values as the file spells them, in table order.
std::vector<std::string> Fields(const SettingsRecord& r) {
    char position[WINDOW_POSITION_TEXT_SIZE];
    FormatWindowPosition(r.windowPosition, position, sizeof position);
    return {MethodName(r.connection.method), std::to_string(r.connection.com), r.connection.host,
            std::to_string(r.connection.dService), r.savePath, position};
}

std::vector<std::string> Values(const std::vector<Entry>& entries) {
    std::vector<std::string> values;
    for (const Entry& entry : entries) values.push_back(entry.value);
    return values;
}

TEST_F(SettingsFileTest, FirstStartWritesEveryDefaultInOrder) {
    EXPECT_EQ(Fields(ReadAll()), Values(Defaults()));
    EXPECT_EQ(FileText(path), FileOf(Defaults()));
}

TEST_F(SettingsFileTest, EachMissingOrEmptyKeyAloneGetsItsDefault) {
    for (size_t i = 0; i < STORED.size(); ++i) {
        SCOPED_TRACE(STORED[i].key);
        std::vector<Entry> expected = STORED;
        expected[i] = Defaults()[i];

        // Missing: the default ends its section; a section left empty comes
        // back at the end of the file.
        std::vector<Entry> entries = STORED;
        entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
        WriteText(path, FileOf(entries));
        EXPECT_EQ(Fields(ReadAll()), Values(expected));
        entries.insert(entries.begin() + (i < 4 ? 3 : static_cast<std::ptrdiff_t>(entries.size())),
                       Defaults()[i]);
        EXPECT_EQ(FileText(path), FileOf(entries));

        // Empty: the default takes the line's place.
        entries = STORED;
        entries[i].value = "";
        WriteText(path, FileOf(entries));
        EXPECT_EQ(Fields(ReadAll()), Values(expected));
        EXPECT_EQ(FileText(path), FileOf(expected));
    }
}

TEST_F(SettingsFileTest, BlanksAroundValuesAnyCaseNamesAndLfFilesRead) {
    const std::string text =
        "[CONNECTION]\nMethod =  WIFI \ncom=\t 42\nHOST = 10.0.0.5  \ndservice= 8080\n[Log]\n"
        "PATH= C:\\my logs \n[WINDOW]\nmainposition=10 ,20, 30 ,40,  normal\n";
    WriteText(path, text);
    EXPECT_EQ(Fields(ReadAll()), (std::vector<std::string>{"WIFI", "42", "10.0.0.5", "8080",
                                                          "C:\\my logs", "10,20,30,40,normal"}));
    EXPECT_EQ(FileText(path), text) << "nothing was missing, yet the file was written";
}

TEST_F(SettingsFileTest, WriteReplacesInPlaceKeepingCommentsSectionsAndUnknownKeys) {
    const std::string before =
        "; written by hand\r\n[CONNECTION]\r\nMETHOD=WIFI\r\nCom=3\r\nextra=keep me\r\n"
        "host=10.0.0.1\r\ndService=10101\r\n[other]\r\nhost=x\r\n[log]\r\npath=C:\\logs\r\n";
    WriteText(path, before);
    ConnectionSettings c{METHOD_USB, 9, "10.0.0.2", 2000};
    ASSERT_TRUE(WriteConnectionSettings(path, c));
    EXPECT_EQ(FileText(path),
              "; written by hand\r\n[CONNECTION]\r\nMETHOD=USB\r\nCom=9\r\nextra=keep me\r\n"
              "host=10.0.0.2\r\ndService=2000\r\n[other]\r\nhost=x\r\n[log]\r\npath=C:\\logs\r\n");
}

TEST_F(SettingsFileTest, NewKeysEndTheirSection) {
    WriteText(path, "[connection]\r\nmethod=USB\r\ncom=1\r\n[log]\r\npath=C:\\logs\r\n");
    ConnectionSettings c{METHOD_WIFI, 2, "10.0.0.2", 2000};
    ASSERT_TRUE(WriteConnectionSettings(path, c));
    ASSERT_TRUE(WriteWindowSettings(path, WindowPosition{SHOW_STATE_MINIMIZED, -1, 2, 3, 4}));
    EXPECT_EQ(FileText(path),
              "[connection]\r\nmethod=WIFI\r\ncom=2\r\nhost=10.0.0.2\r\ndService=2000\r\n"
              "[log]\r\npath=C:\\logs\r\n[window]\r\nmainPosition=-1,2,3,4,minimized\r\n");
}

TEST_F(SettingsFileTest, OverlongValuesAreCutOrSetAside) {
    const std::string longPath = "C:\\" + std::string(297, 'p');
    WriteText(path, FileOf({{"connection", "method", "WIFI"},
                             {"connection", "com", "99999999999"},
                             {"connection", "host", "1234567890123456789012345"},
                             {"connection", "dService", "-99999999999"},
                             {"log", "path", longPath},
                             {"window", "mainPosition",
                              std::string(130, '0') + "1,2,3,4,normal"}}));
    SettingsRecord r = ReadAll();
    EXPECT_STREQ(r.connection.host, "1234567890123456789");
    EXPECT_EQ(r.connection.com, INT32_MAX);
    EXPECT_EQ(r.connection.dService, INT32_MIN);
    EXPECT_EQ(r.savePath, folder.Text()) << "a folder too long to use gives the start folder";
    EXPECT_EQ(r.windowPosition.left, 0) << "a mainPosition cut at 127 characters is rejected";
    EXPECT_NE(FileText(path).find(longPath), std::string::npos)
        << "the stored folder was lost at start";

    char buffer[6];
    EXPECT_EQ(GetProfileText("connection", "host", buffer, sizeof buffer, path), 5u);
    EXPECT_STREQ(buffer, "12345");

    // At exit the host goes back as its first 19 characters.
    ASSERT_TRUE(SaveSettings(folder.Text().c_str(), WindowPosition{}, r));
    char host[32];
    EXPECT_EQ(GetProfileText("connection", "host", host, sizeof host, path), 19u);
    EXPECT_STREQ(host, "1234567890123456789");
}

TEST_F(SettingsFileTest, MethodTextIsExactAndWrittenBackByName) {
    WriteText(path, "[connection]\r\nmethod=wifi\r\n");
    SettingsRecord r = ReadAll();
    EXPECT_EQ(r.connection.method, METHOD_USB);
    ASSERT_TRUE(WriteConnectionSettings(path, r.connection));
    char buffer[8];
    EXPECT_EQ(GetProfileText("connection", "method", buffer, sizeof buffer, path), 3u);
    EXPECT_STREQ(buffer, "USB");
    EXPECT_STREQ(MethodName(METHOD_WIFI), "WIFI");
    for (int32_t other : {METHOD_USB, 2, -1, INT32_MAX}) EXPECT_STREQ(MethodName(other), "USB");
}

TEST_F(SettingsFileTest, SaveThenReadGivesTheSameSettings) {
    const struct {
        int32_t showState;
        const char* word;
    } cases[] = {{SHOW_STATE_MINIMIZED, "minimized"}, {SHOW_STATE_MAXIMIZED, "maximized"}, {SHOW_STATE_NORMAL, "normal"}};
    for (const auto& c : cases) {
        SettingsRecord saved = ReadAll();
        saved.connection = ConnectionSettings{METHOD_WIFI, 12, "172.16.0.9", 65535};
        // 表 ends in byte 0x5C in code page 932, the path separator's code.
        std::strcpy(saved.savePath, "C:\\ログ\\表");
        ASSERT_TRUE(SaveSettings(folder.Text().c_str(), WindowPosition{c.showState, -20, 5, 300, 400},
                                 saved));
        const std::vector<std::string> fields = Fields(saved);
        EXPECT_EQ(fields[5], std::string("-20,5,300,400,") + c.word);
        EXPECT_EQ(Fields(ReadAll()), fields);
    }
}

TEST_F(SettingsFileTest, NoUsablePathWritesNothing) {
    SettingsRecord r{};
    EXPECT_FALSE(SaveSettings("", WindowPosition{}, r));
    EXPECT_FALSE(SaveSettings(folder.File("gone").c_str(), WindowPosition{}, r));
    EXPECT_FALSE(std::filesystem::exists(folder.File("gone")));
    char joined[SETTINGS_PATH_SIZE];
    EXPECT_FALSE(BuildSettingsPath(std::string(250, 'd').c_str(), joined));
    EXPECT_STREQ(joined, "");

    // Defaults without a file behind them.
    ReadConnectionSettings(joined, r.connection);
    EXPECT_EQ(r.connection.dService, 10101);

    const std::string separator(1, static_cast<char>(std::filesystem::path::preferred_separator));
    ASSERT_TRUE(BuildSettingsPath((folder.Text() + separator).c_str(), joined));
    EXPECT_EQ(joined, folder.File("setting.ini"));
    EXPECT_EQ(FileNames(folder.Path()).size(), 0u);
}

}  // namespace
