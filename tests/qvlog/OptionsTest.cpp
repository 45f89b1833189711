#include "tools/qvlog/Options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
    bool ok;
    Options options;
    std::string error;
};

Parsed Parse(const std::vector<std::string>& args, Language language = Language::ENGLISH) {
    Parsed p;
    p.ok = ParseOptions(args, p.options, p.error, language);
    return p;
}

TEST(QvlogOptions, TransportsAndCommands) {
    Parsed p = Parse({"--tcp", "127.0.0.1", "list", "--json"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.transport, Transport::TCP);
    EXPECT_EQ(p.options.host, "127.0.0.1");
    EXPECT_EQ(p.options.port, 10101);
    EXPECT_EQ(p.options.command, Command::LIST);
    EXPECT_TRUE(p.options.json);
    EXPECT_FALSE(p.options.paced) << "qvlog wakes when bytes arrive unless told otherwise";
    EXPECT_TRUE(Parse({"--paced", "--tcp", "127.0.0.1", "list"}).options.paced);

    p = Parse({"--tcp", "10.0.0.5:5000", "settings", "set", "--collect", "off", "--size-kb", "204800"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.port, 5000);
    EXPECT_EQ(p.options.command, Command::SETTINGS_SET);
    EXPECT_EQ(p.options.collect, 0);
    EXPECT_TRUE(p.options.sizeGiven);
    EXPECT_EQ(p.options.sizeKb, 204800);
    EXPECT_EQ(p.options.retries, 2) << "two retries unless told";

    // Host names as well as addresses; the retries as asked.
    p = Parse({"--tcp", "qv500.example:7000", "list", "--retries", "0"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.host, "qv500.example");
    EXPECT_EQ(p.options.port, 7000);
    EXPECT_EQ(p.options.retries, 0);

    p = Parse({"--serial", "/dev/ttyUSB0", "download", "--date", "2024/05/07", "--time", "09:05:00",
               "--files", "5-7,0,2,6", "--out", "logs", "--skip-existing"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.serialPort, "/dev/ttyUSB0");
    EXPECT_EQ(p.options.files, (std::vector<int>{0, 2, 5, 6, 7}));
    EXPECT_TRUE(p.options.skipExisting);
}

TEST(QvlogOptions, UsageErrorsSayWhatIsWrong) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"fetch"},
        {"--tcp"},
        {"--tcp", "host:99999", "list"},
        {"--tcp", ":10101", "list"},
        {"download", "--date", "2024-05-07"},
        {"download", "--time", "9:05"},
        {"download", "--files", "3-1"},
        {"download", "--files", "x"},
        {"download", "--files", "1", "--all"},
        {"download", "--all-runs", "--date", "2024/05/07"},
        {"settings"},
        {"settings", "set"},
        {"settings", "set", "--collect", "yes"},
        {"list", "--bogus"},
        {"settings", "set", "--size-kb", "9"},
        {"settings", "set", "--size-kb", "204801"},
        {"settings", "set", "--size-kb", "-3"},
        {"list", "--retries", "many"},
        {"list", "--retries", "101"},
    };
    for (const auto& args : bad) {
        const Parsed p = Parse(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_FALSE(p.ok) << joined;
        EXPECT_FALSE(p.error.empty()) << joined;
    }
    // A size out of range names the range, in the user's language too.
    for (const Language language : {Language::ENGLISH, Language::JAPANESE}) {
        const Parsed p = Parse({"settings", "set", "--size-kb", "5"}, language);
        EXPECT_FALSE(p.ok);
        EXPECT_NE(p.error.find(language == Language::ENGLISH ? "10 to 204800" : u8"10から204800"), std::string::npos)
            << p.error;
    }

    EXPECT_FALSE(Parse({"--help"}).ok);
    EXPECT_TRUE(Parse({"--help"}).error.empty()) << "help is not an error";
}

TEST(QvlogOptions, VersionNeedsNoCommandAndRunsNone) {
    Parsed p = Parse({"--version"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_TRUE(p.options.version);
    EXPECT_EQ(p.options.command, Command::NONE);
    p = Parse({"--tcp", "127.0.0.1", "list", "--version"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_TRUE(p.options.version);
    EXPECT_FALSE(Parse({"--tcp", "127.0.0.1", "list"}).options.version);
    EXPECT_NE(std::string(UsageText()).find("--version"), std::string::npos) << UsageText();
}

}  // namespace
