// The schedule pages quote qvlog as it is: its usage as --help prints it,
// and every JSON report and "qvlog:" line as the real qvlog writes them
// against qvsim, and a sync of the page's own fleet file, its table and its
// JSON. A page shortens with "…", names the save folder /srv/qv500/logs,
// the fleet's folder /srv/qv500, the instrument 127.0.0.1:10101 and the
// fleet's instruments at the addresses of its fleet file; seconds are the
// one other thing that differs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "link/ChannelLinks.h"
#include "settings/Settings.h"
#include "tests/docs/GuidePages.h"
#include "tests/qvlog/ToolRun.h"
#include "tests/support/SimProcess.h"
#include "tools/qvlog/Attempts.h"
#include "tools/qvlog/Console.h"
#include "tools/qvlog/Options.h"
#include "tools/qvlog/SyncCommand.h"
#include "tools/qvlog/Tool.h"

namespace {

using namespace guide_pages;

const std::string PAGE_FOLDER = "/srv/qv500/logs";
const std::string PAGE_ADDRESS = "127.0.0.1:10101";
const std::string PAGE_FLEET_FOLDER = "/srv/qv500";
const std::string ELLIPSIS = "…";

struct Page {
    const char* path;
    Language language;
};
const Page PAGES[] = {{SCHEDULE_PAGES[0], Language::JAPANESE}, {SCHEDULE_PAGES[1], Language::ENGLISH}};

using Ran = ToolRun;

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// qvlog as its main runs it, over real links, except that the waits
// between attempts are recorded, not slept.
Ran RunQvlogHere(const std::vector<std::string>& args, Language language) {
    ChannelLinkFactory links;
    return RunInProcess(links, args, language, HeadlessUi::REAL_CLOCK);
}

// The situations the pages show, each run for real and put in the pages'
// names: every file complete, a connection lost once, the same with
// --retries 0, no SD card, nothing listening; and the settings, for their
// members.
std::vector<Ran> RealRuns(Language language, const TempFolder& folder) {
    SimProcess whole(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--generate", "2,3,5000"});
    SimProcess closing(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--generate", "2,3,5000", "--close-after", "40"});
    SimProcess noCard(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--sd-missing"});
    std::vector<Ran> runs;
    auto download = [&](int port, std::vector<std::string> extra) {
        const std::string out = folder.Text() + "/run" + std::to_string(runs.size());
        const std::string where = "127.0.0.1:" + std::to_string(port);
        std::vector<std::string> args = {"--tcp", where, "download", "--all-runs", "--skip-existing",
                                         "--out", out, "--json"};
        args.insert(args.end(), extra.begin(), extra.end());
        Ran ran = RunQvlogHere(args, language);
        for (std::string* text : {&ran.out, &ran.err})
            *text = Replaced(Replaced(*text, out, PAGE_FOLDER), where, PAGE_ADDRESS);
        runs.push_back(ran);
    };
    download(whole.Port(), {});
    download(closing.Port(), {});
    download(closing.Port(), {"--retries", "0"});
    download(noCard.Port(), {});
    const int closed = noCard.Port();
    noCard.Stop();
    download(closed, {});
    runs.push_back(RunQvlogHere({"--tcp", "127.0.0.1:" + std::to_string(whole.Port()), "settings", "get", "--json"},
                                language));
    return runs;
}

// A port of 127.0.0.1 with nothing listening: an instrument switched off.
int ClosedPort() {
    SimProcess gone(QVSIM_PATH, {"--listen", "127.0.0.1:0"});
    const int port = gone.Port();
    gone.Stop();
    return port;
}

// The page's fleet file: its ```ini block that opens a [fleet] section.
std::string FleetExample(const std::string& page) {
    const std::string open = "```ini\n";
    for (size_t at = page.find(open); at != std::string::npos; at = page.find(open, at + open.size())) {
        const size_t end = page.find("```", at + open.size());
        const std::string block = page.substr(at + open.size(), end - at - open.size());
        if (end != std::string::npos && Has(block, "[fleet]\n")) return block;
    }
    return std::string();
}

struct FleetRuns {
    Ran table, json;
};

// The page's fleet file synced twice into folders of its own, once for the
// table and once for the JSON, its instruments on qvsim and the last one
// switched off; the outputs put back in the page's names.
FleetRuns RealFleetRuns(const std::string& example, Language language, const TempFolder& folder) {
    SimProcess fleet(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--instruments", "2", "--generate", "2,2,20000"});
    const std::vector<int> ports = {fleet.Port(), fleet.Port() + 1, ClosedPort()};
    std::string file;
    std::vector<std::string> shownAt;
    for (size_t start = 0; start < example.size();) {
        const size_t next = std::min(example.find('\n', start), example.size());
        std::string line = example.substr(start, next - start);
        start = next + 1;
        if (line.rfind("tcp = ", 0) == 0) {
            const std::string shown = line.substr(6, line.find_first_of(" ;", 6) - 6);
            shownAt.push_back(Has(shown, ":") ? shown : shown + ":" + std::to_string(DEFAULT_SERVICE));
            line = "tcp = 127.0.0.1:" + std::to_string(ports[std::min(shownAt.size(), ports.size()) - 1]);
        }
        file += line + "\n";
    }
    EXPECT_EQ(shownAt.size(), ports.size()) << "the page's fleet file lists three instruments by tcp";
    auto sync = [&](const std::string& name, std::vector<std::string> extra) {
        const std::string base = folder.Text() + "/" + name;
        std::filesystem::create_directories(base);
        WriteText(base + "/fleet.ini", file);
        std::vector<std::string> args = {"sync", "--fleet", base + "/fleet.ini"};
        args.insert(args.end(), extra.begin(), extra.end());
        Ran ran = RunQvlogHere(args, language);
        for (std::string* text : {&ran.out, &ran.err}) {
            *text = Replaced(*text, base, PAGE_FLEET_FOLDER);
            for (size_t i = 0; i < shownAt.size() && i < ports.size(); ++i) {
                const std::regex real("127\\.0\\.0\\.1:" + std::to_string(ports[i]) + "(?![0-9])");
                *text = std::regex_replace(*text, real, shownAt[i]);
            }
        }
        return ran;
    };
    return {sync("table", {}), sync("json", {"--json"})};
}

// What a run's time does not decide: its seconds are kept out, each "1.2 s"
// of a table keeping its width, "1.2 秒" of a line likewise.
std::string Steady(const std::string& text) {
    return std::regex_replace(std::regex_replace(text, std::regex(R"("seconds":[0-9]+)"), "\"seconds\":#"),
                              std::regex(R"(\b[0-9]\.[0-9] (s\b|秒))"), "#.# $1");
}

// The lines of the page's fenced blocks of `kind` ("json", or "" for plain);
// each fence closes the block it opened, whatever its kind.
std::vector<std::string> BlockLines(const std::string& page, const std::string& kind) {
    std::vector<std::string> lines;
    bool inside = false, wanted = false;
    for (size_t start = 0; start < page.size();) {
        const size_t end = std::min(page.find('\n', start), page.size());
        const std::string line = page.substr(start, end - start);
        start = end + 1;
        if (line.rfind("```", 0) == 0) {
            wanted = !inside && line.substr(3) == kind;
            inside = !inside;
        } else if (inside && wanted) {
            lines.push_back(line);
        }
    }
    return lines;
}

// `real` as `example` shows it, each "…" standing for any text.
bool Shows(const std::string& example, const std::string& real) {
    std::vector<std::string> pieces;
    size_t from = 0;
    for (size_t at = example.find(ELLIPSIS); at != std::string::npos; at = example.find(ELLIPSIS, from)) {
        pieces.push_back(example.substr(from, at - from));
        from = at + ELLIPSIS.size();
    }
    pieces.push_back(example.substr(from));
    if (pieces.size() == 1) return example == real;
    if (real.compare(0, pieces.front().size(), pieces.front()) != 0) return false;
    size_t at = pieces.front().size();
    for (size_t i = 1; i + 1 < pieces.size(); ++i) {
        at = real.find(pieces[i], at);
        if (at == std::string::npos) return false;
        at += pieces[i].size();
    }
    const std::string& last = pieces.back();
    return real.size() >= at + last.size() && real.compare(real.size() - last.size(), last.size(), last) == 0;
}

TEST(SchedulePages, ShowTheUsageAsQvlogHelpPrintsIt) {
    for (const Page& page : PAGES) {
        const Ran help = RunQvlogHere({"--help"}, page.language);
        EXPECT_EQ(help.exit, 0);
        ASSERT_FALSE(help.out.empty());
        EXPECT_TRUE(Has(Source(page.path), "```\n" + help.out + "```")) << page.path << " does not show:\n" << help.out;
    }
}

TEST(SchedulePages, QuoteReportsAndMessagesAsQvlogWritesThemAgainstQvsim) {
    for (const Page& page : PAGES) {
        const std::string text = Source(page.path);
        TempFolder folder;
        ASSERT_TRUE(folder.Made());
        std::vector<Ran> runs = RealRuns(page.language, folder);
        const FleetRuns fleet = RealFleetRuns(FleetExample(text), page.language, folder);
        runs.push_back(fleet.json);
        const std::vector<int> exits = {0, 0, 3, 1, 3, 0, SYNC_NOT_COMPLETE_EXIT};
        for (size_t i = 0; i < runs.size(); ++i) EXPECT_EQ(runs[i].exit, exits[i]) << "run " << i << ":\n" << runs[i].err;
        EXPECT_EQ(fleet.table.exit, SYNC_NOT_COMPLETE_EXIT) << fleet.table.err;

        const std::vector<std::string> reports = BlockLines(text, "json");
        EXPECT_GE(reports.size(), 6u) << page.path << " shows the reports of its five situations and of a sync";
        for (const std::string& report : reports) {
            const bool real = std::any_of(runs.begin(), runs.end(), [&](const Ran& ran) {
                return Shows(Steady(report), Steady(ran.out.substr(0, ran.out.find_last_not_of('\n') + 1)));
            });
            EXPECT_TRUE(real) << page.path << " shows a report qvlog did not write:\n" << report;
        }

        size_t told = 0;
        for (const std::string& line : BlockLines(text, "")) {
            if (line.rfind("qvlog: ", 0) != 0) continue;
            ++told;
            const bool real = std::any_of(runs.begin(), runs.end(),
                                          [&](const Ran& ran) { return Has(ran.err, line + "\n"); });
            EXPECT_TRUE(real) << page.path << " shows a line qvlog did not write:\n" << line;
        }
        EXPECT_GE(told, 4u) << page.path << " shows what qvlog tells on failure and on a retry";

        // A sync's lines, each named for its instrument, come from the table's run.
        size_t named = 0;
        for (const std::string& line : BlockLines(text, ""))
            for (const JsonValue& instrument : fleet.json.json["instruments"].items) {
                if (line.rfind(instrument["name"].text + ": ", 0) != 0) continue;
                ++named;
                EXPECT_TRUE(Has(Steady(fleet.table.err), Steady(line) + "\n"))
                    << page.path << " shows a sync line qvlog did not write:\n" << line;
            }
        EXPECT_GE(named, 2u) << page.path << " shows a sync's lines for a file and for an instrument switched off";

        EXPECT_TRUE(Has(Steady(text), "```\n" + Steady(fleet.table.out) + "```"))
            << page.path << " does not show the sync's table:\n" << fleet.table.out;
        EXPECT_TRUE(Has(text, "| " + std::to_string(SYNC_NOT_COMPLETE_EXIT) + " |"))
            << page.path << " does not give the sync's exit status " << SYNC_NOT_COMPLETE_EXIT;

        // The table names every member of the reports.
        std::set<std::string> members;
        const std::regex member(R"re("([A-Za-z]+)":)re");
        for (const Ran& ran : runs)
            for (std::sregex_iterator it(ran.out.begin(), ran.out.end(), member), end; it != end; ++it)
                members.insert((*it)[1]);
        EXPECT_GE(members.size(), 25u);
        for (const std::string& name : members)
            EXPECT_TRUE(Has(text, "`" + name + "`")) << page.path << " does not name the member " << name;
    }
}

TEST(SchedulePages, GiveTheRetryWaitsAndDefaultAsQvlogHasThem) {
    const std::string defaultRetries = std::to_string(Options().retries);
    const std::string longest = std::to_string(RetryWaitSeconds(RETRIES_MAX));
    for (const Page& page : PAGES) {
        const bool ja = page.language == Language::JAPANESE;
        std::string waits;
        for (int retry = 1; retry <= 4; ++retry)
            waits += (retry > 1 ? (ja ? "、" : ", ") : "") + std::to_string(RetryWaitSeconds(retry)) + (ja ? " 秒" : " s");
        const std::string text = Source(page.path);
        EXPECT_TRUE(Has(text, waits)) << page.path << " does not give the waits " << waits;
        EXPECT_TRUE(Has(text, ja ? "長くても " + longest + " 秒" : "up to " + longest + " s"))
            << page.path << " does not give the longest wait, " << longest << " s";
        EXPECT_TRUE(Has(text, ja ? "既定 " + defaultRetries : "default " + defaultRetries))
            << page.path << " does not give the default of --retries, " << defaultRetries;
    }
}

}  // namespace
