// The guides say what the program does: every message of the catalogue with
// its exact text, setting.ini as the program writes it, the release's name,
// and only pictures that the screenshot script makes.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "settings/Settings.h"
#include "tests/docs/GuidePages.h"
#include "tests/support/TempFolder.h"
#include "ui/controls/MessageCatalogue.h"
#include "version/Version.h"

namespace {

using namespace guide_pages;

const std::string SOURCE = QV_SOURCE_DIR;

// The pictures a page shows: the targets of its ![...](...png) links.
std::set<std::string> Pictures(const std::string& page) {
    std::set<std::string> names;
    const std::regex link(R"(!\[[^\]]*\]\(\.\./images/([A-Za-z0-9_-]+\.png)\))");
    for (std::sregex_iterator it(page.begin(), page.end(), link), end; it != end; ++it)
        names.insert((*it)[1]);
    return names;
}

TEST(Guides, ExplainEveryCatalogueMessageByNumberAndExactText) {
    for (const char* guide : GUIDES) {
        const std::string text = Source(guide);
        ASSERT_FALSE(text.empty()) << guide << " is missing";
        for (int n = 0; n < CATALOGUE_SIZE; ++n) {
            // A row of the messages table: "| n | text |".
            const std::string row = "| " + std::to_string(n) + " | " + CatalogueEntry(n).text + " |";
            EXPECT_TRUE(Has(text, row)) << guide << " has no row " << row;
        }
    }
}

TEST(Guides, ShowSettingIniAsTheProgramWritesIt) {
    TempFolder folder;
    ASSERT_TRUE(folder.Made());
    char path[SETTINGS_PATH_SIZE];
    ASSERT_TRUE(BuildSettingsPath(folder.Text().c_str(), path));
    SettingsRecord settings{};
    ReadConnectionSettings(path, settings.connection);
    ReadLogSettings(path, folder.Text().c_str(), settings.savePath);
    ReadWindowSettings(path, settings.windowPosition);
    std::istringstream written(FileText(path));
    std::string line;
    int lines = 0;
    for (const char* guide : GUIDES) {
        const std::string text = Source(guide);
        written.clear();
        written.seekg(0);
        while (std::getline(written, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty()) continue;
            ++lines;
            // The save folder is the start folder, which differs per PC.
            const std::string shown = line.rfind("path=", 0) == 0 ? "\npath=" : line + "\n";
            EXPECT_TRUE(Has(text, shown)) << guide << " does not show the line " << line;
        }
    }
    EXPECT_GE(lines, 2 * 9) << "three sections and six keys in each guide";
}

TEST(Guides, NameTheReleaseOfThisVersion) {
    const std::string zip = "qvlog-" QV_VERSION_TEXT "-win64.zip";
    for (const char* page : {"README.md", GUIDES[0], GUIDES[1]})
        EXPECT_TRUE(Has(Source(page), zip)) << page << " does not name " << zip;
}

TEST(Guides, ShowOnlyPicturesTheScreenshotScriptMakes) {
    const std::string script = Source("tests/e2e/screenshot.sh");
    ASSERT_FALSE(script.empty());
    const std::set<std::string> japanese = Pictures(Source(GUIDES[0]));
    EXPECT_GE(japanese.size(), 5u) << "the guide shows the dialog in its phases";
    EXPECT_EQ(Pictures(Source(GUIDES[1])), japanese) << "both guides show the same pictures";
    std::set<std::string> stored;
    for (const auto& entry : std::filesystem::directory_iterator(SOURCE + "/docs/images"))
        stored.insert(entry.path().filename().string());
    EXPECT_EQ(stored, japanese) << "docs/images holds exactly the guide's pictures";
    for (const std::string& name : japanese)
        EXPECT_TRUE(Has(script, "guide_shot " + name.substr(0, name.size() - 4) + " "))
            << name << " is not made by tests/e2e/screenshot.sh";
}

// The batch file the zip ships is the one the pages show, line for line.
TEST(SchedulePages, ShowTheNightlyBatchFileAsTheZipShipsIt) {
    const std::string batch = Source("packaging/qvlog-nightly.cmd");
    ASSERT_FALSE(batch.empty());
    for (const char* page : SCHEDULE_PAGES)
        EXPECT_TRUE(Has(Source(page), "```bat\n" + batch + "```")) << page << " does not show:\n" << batch;
}

TEST(SchedulePages, GiveEveryExitStatusAndTheJsonFields) {
    for (const char* page : SCHEDULE_PAGES) {
        const std::string text = Source(page);
        ASSERT_FALSE(text.empty()) << page << " is missing";
        for (int status = 0; status <= 5; ++status)
            EXPECT_TRUE(Has(text, "| " + std::to_string(status) + " |")) << page << ": exit status " << status;
        for (const char* word : {"schtasks", "crontab", "OnCalendar=", "--json", "--retries", "\"ok\"",
                                 "\"exit\"", "\"error\""})
            EXPECT_TRUE(Has(text, word)) << page << " does not mention " << word;
    }
}

}  // namespace
