// qvlog sync against a fleet of qvsim instruments in one process: a sound
// one, one that hangs up mid-file on every connection, one whose newest file
// grows while it logs, one switched off, and one whose folder another sync
// holds. Each ends as it must; a second sync moves only what grew.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "link/ChannelLinks.h"
#include "tests/qvlog/ToolRun.h"
#include "tests/support/ProcessStats.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempFolder.h"
#include "tools/qvlog/Encoding.h"
#include "tools/qvlog/SyncJob.h"
#include "tools/qvlog/SyncReport.h"
#include "tools/qvlog/SyncLock.h"

namespace {

namespace fs = std::filesystem;

const JsonValue* Instrument(const JsonValue& report, const std::string& name) {
    for (const JsonValue& item : report["instruments"].items)
        if (item["name"].text == name) return &item;
    ADD_FAILURE() << name << " is not in the report";
    return nullptr;
}

TEST(QvlogSync, PullsTheFleetAndSaysWhichInstrumentIsNotComplete) {
    TempFolder dir;
    // Instrument 2 closes the line at its file's second block, every time.
    SimProcess fleet(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--instruments", "3", "--generate", "2,2,3000",
                                  "--logging-rates", "0,0,20000", "--log-size", "100000000", "--fault-instrument",
                                  "2", "--close-after", "8"});
    const int port = fleet.Port();
    ASSERT_NE(port, 0);
    const fs::path ini = dir / "fleet.ini";
    std::ofstream(ini) << "[fleet]\nout = logs\njobs = 5\n"
                       << "[sound]\ntcp = 127.0.0.1:" << port << "\n"
                       << "[hangs]\ntcp = 127.0.0.1:" << port + 1 << "\n"
                       << u8"[恒温槽-1]\ntcp = 127.0.0.1:" << port + 2 << "   ; logging\n"
                       << "[off]\ntcp = 127.0.0.1:1\n"
                       << "[held]\nserial = /dev/null\n";
    fs::create_directories(dir / "logs" / "held");
    const SyncLock other(dir / "logs" / "held");
    ASSERT_TRUE(other.Held());

    ChannelLinkFactory links;
    const size_t threads = SettledThreadCount();
    const ToolRun first = RunInProcess(links, {"sync", "--fleet", ini.string(), "--retries", "1", "--json"});
    EXPECT_EQ(first.exit, 6) << first.err;
    const struct {
        const char* name;
        const char* outcome;
        const char* cause;  // "" none
        size_t files;
    } rows[] = {{"sound", "complete", "", 4},
                {"hangs", "failed", "connection lost", 0},
                {u8"恒温槽-1", "complete", "", 4},
                {"off", "failed", "connection refused", 0},
                {"held", "busy", "busy", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const JsonValue* got = Instrument(first.json, row.name);
        if (got == nullptr) continue;
        EXPECT_EQ((*got)["outcome"].text, row.outcome);
        EXPECT_EQ((*got)["cause"].text, row.cause);
        EXPECT_EQ((*got)["files"].items.size(), row.files);
        // Its own line as it ended, among the others'.
        const std::string outcome = *row.cause ? std::string("NOT COMPLETE (") + row.cause + ")" : "complete";
        EXPECT_NE(first.err.find(std::string(row.name) + ": " + outcome + ": " + std::to_string(row.files) + " new files, "),
                  std::string::npos) << first.err;
        for (const JsonValue& file : (*got)["files"].items)
            EXPECT_EQ(static_cast<int64_t>(fs::file_size(PathFromUtf8((*got)["folder"].text) / file["name"].text)),
                      file["size"].Int());
    }
    // The file the hang-up cut short is named, and only it is partial.
    const JsonValue* hangs = Instrument(first.json, "hangs");
    ASSERT_NE(hangs, nullptr);
    ASSERT_EQ((*hangs)["partials"].items.size(), 1u);
    EXPECT_TRUE(fs::exists(PathFromUtf8((*hangs)["partials"][0].text)));
    EXPECT_EQ(first.json["totals"]["complete"].Int(), 2);

    // The logging instrument's newest file has grown since: fetched again,
    // and nothing else moves.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const ToolRun second =
        RunInProcess(links, {"sync", "--fleet", ini.string(), "--only", std::string("sound,") + u8"恒温槽-1", "--json"});
    EXPECT_EQ(second.exit, 0) << second.err;
    EXPECT_EQ(second.json["instruments"].items.size(), 2u);
    EXPECT_TRUE((*Instrument(second.json, "sound"))["files"].items.empty());
    const JsonValue& grown = (*Instrument(second.json, u8"恒温槽-1"))["files"];
    ASSERT_EQ(grown.items.size(), 1u);
    EXPECT_GT(grown[0]["size"].Int(), 3000);
    EXPECT_EQ(ThreadCountSettlesTo(threads), threads) << "a job's thread outlived the sync";
}

TEST(QvlogSync, ABadFleetFileIsAUsageErrorWithItsLine) {
    TempFolder dir;
    const fs::path ini = dir / "fleet.ini";
    std::ofstream(ini) << "[fleet]\nout = logs\n[a]\ntcp = 127.0.0.1:99999\n";
    ChannelLinkFactory links;
    const ToolRun ran = RunInProcess(links, {"sync", "--fleet", ini.string()});
    EXPECT_EQ(ran.exit, 2);
    EXPECT_NE(ran.err.find("fleet.ini:4:"), std::string::npos) << ran.err;
    EXPECT_FALSE(fs::exists(dir / "logs")) << "nothing is made before the file is sound";
}

// Samples the job's live count at every line it writes.
struct CountAtEachLine : CapturedOutput {
    explicit CountAtEachLine(const SyncResult& r) : result(r) {}
    void Err(const std::string& utf8) override {
        CapturedOutput::Err(utf8);
        counts.push_back(result.bytes);
    }
    const SyncResult& result;
    std::vector<uint64_t> counts;
};

// The status line's count is of what the pull delivers: a file cut short
// and fetched again after a retry counts once, as in the table, and the
// count never goes back.
TEST(QvlogSync, TheLiveCountLeavesOutWhatARetryFetchesAgain) {
    TempFolder dir;
    // Each connection ends one block into the file after the one it finishes.
    SimProcess sim(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--generate", "1,3,5000", "--close-after", "14"});
    ASSERT_NE(sim.Port(), 0);
    FleetInstrument instrument;
    instrument.name = "cut";
    instrument.tcp = true;
    instrument.host = "127.0.0.1";
    instrument.port = sim.Port();
    instrument.folder = Utf8FromPath(dir / "cut");
    ChannelLinkFactory links;
    SyncResult result;
    CountAtEachLine output(result);
    Environment env;
    env.links = &links;
    env.clock = HeadlessUi::MANUAL_CLOCK;
    env.output = &output;
    env.pause = [&](int) {
        output.counts.push_back(result.bytes);
        return true;
    };
    RunSyncJob(instrument, 5, env, false, result);
    ASSERT_FALSE(result.report.failure.Failed()) << output.err;
    ASSERT_GT(result.report.connections, 1) << "no file was cut short";
    EXPECT_EQ(result.files.load(), static_cast<int>(result.report.files.size()));
    EXPECT_EQ(result.bytes.load(), result.FileBytes()) << output.err;
    EXPECT_TRUE(std::is_sorted(output.counts.begin(), output.counts.end()))
        << ::testing::PrintToString(output.counts) << " went back:\n" << output.err;
}

// Each status line tells its own instrument's rate (one that waited for its
// turn was not fetching meanwhile), padded by the columns a terminal gives
// its name; a fleet taller than the terminal shows the instruments at work
// and a line of totals, or each redraw would scroll it.
TEST(QvlogSync, TheStatusLinesTellEachInstrumentsOwnRateAndFitTheTerminal) {
    const auto now = std::chrono::steady_clock::now();
    const struct {
        const char* name;
        int secondsAtWork;  // -1 waiting, -2 finished
        uint64_t bytes;
    } instruments[] = {{"done", -2, 0}, {"first", 60, 61440}, {"late", 2, 4096}, {u8"𠮷田", -1, 0}};
    SyncResults results;
    for (const auto& i : instruments) {
        results.push_back(std::make_unique<SyncResult>());
        results.back()->name = i.name;
        results.back()->startTime = now - std::chrono::seconds(i.secondsAtWork);
        results.back()->started = i.secondsAtWork != -1;
        results.back()->finished = i.secondsAtWork == -2;
        results.back()->bytes = i.bytes;
    }
    const struct {
        size_t rows;  // 0: not known
        std::vector<std::string> lines;
    } cases[] = {
        {0, {"done   complete", "first  0 files, 60.0 KB, 1.0 KB/s", "late   0 files, 4.0 KB, 2.0 KB/s",
             u8"𠮷田   waiting"}},
        {4, {"first  0 files, 60.0 KB, 1.0 KB/s", "late   0 files, 4.0 KB, 2.0 KB/s",
             "1 of 4 instruments complete; 0 new files, 64.0 KB"}},
        {3, {"first  0 files, 60.0 KB, 1.0 KB/s", "1 of 4 instruments complete; 0 new files, 64.0 KB"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SyncStatusLines(results, c.rows, now, Language::ENGLISH), c.lines) << c.rows << " rows";
}

// Ctrl-C ends every transfer as Abort does, and the report still comes:
// the file in hand named as .partial, the instrument not yet begun said to
// be aborted, exit status 5.
TEST(QvlogSync, CtrlCAbortsEveryTransferAndStillReports) {
    TempFolder dir;
    SimProcess fleet(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--instruments", "2", "--generate", "1,1,20000",
                                  "--baud", "19200"});
    const int port = fleet.Port();
    ASSERT_NE(port, 0);
    const fs::path ini = dir / "fleet.ini";
    std::ofstream(ini) << "[fleet]\nout = " << (dir / "logs").string() << "\njobs = 1\n[a]\ntcp = 127.0.0.1:" << port
                       << "\n[b]\ntcp = 127.0.0.1:" << port + 1 << "\n";
    SimProcess sync(QVLOG_PATH, {"sync", "--fleet", ini.string(), "--json"});
    auto begun = [&] {
        std::error_code error;
        for (fs::directory_iterator it(dir / "logs" / "a", error), end; !error && it != end; it.increment(error))
            if (it->path().extension() == ".partial") return true;
        return false;
    };
    for (int ms = 0; ms < 5000 && !begun(); ms += 10) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(begun()) << "the first file never began";
    ASSERT_TRUE(sync.Send(SIGINT));
    JsonValue report;
    const std::string line = sync.FirstLine();
    ASSERT_TRUE(JsonReader::Read(line, report)) << line;
    EXPECT_EQ(sync.Stop(0), 5);
    EXPECT_EQ(report["exit"].Int(), 5);
    ASSERT_EQ(report["instruments"].items.size(), 2u);
    EXPECT_EQ(report["instruments"][0]["outcome"].text, "aborted");
    EXPECT_EQ(report["instruments"][0]["partials"].items.size(), 1u);
    EXPECT_EQ(report["instruments"][1]["outcome"].text, "aborted") << "never begun";
}

}  // namespace
