// qvlog's session over the real link against a real qvsim, on a manual
// clock: what it reports when the instrument fails, in seconds instead of
// the watches' minutes.
#include <gtest/gtest.h>

#include <filesystem>

#include "link/ChannelLinks.h"
#include "tests/support/ProcessStats.h"
#include "tests/support/SimProcess.h"
#include "tests/qvlog/ToolRun.h"
#include "tests/support/TempFolder.h"
#include "tools/qvlog/Session.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

namespace fs = std::filesystem;

struct Ended {
    Outcome connect;
    Outcome download = Outcome::OK;
    int message = -1;  // the catalogue message that ended it
};

Ended RunSession(const std::vector<std::string>& faults, const fs::path& out) {
    std::vector<std::string> args = {"--listen", "127.0.0.1:0", "--generate", "1,2,5000"};
    args.insert(args.end(), faults.begin(), faults.end());
    SimProcess sim(QVSIM_PATH, args);
    TcpTarget target{0x7F000001, sim.Port()};
    EXPECT_NE(target.port, 0);
    ChannelLinkFactory links;
    Session session(links, HeadlessUi::MANUAL_CLOCK);
    const Failure connect = session.ConnectTcp(target);
    Ended run{connect.exit, Outcome::OK, connect.message};
    if (run.connect == Outcome::OK) {
        fs::create_directories(out);
        const Failure download = session.Download({0, 1}, out.string());
        run.download = download.exit;
        run.message = download.message;
        session.Disconnect();
    }
    return run;
}

TEST(QvlogSession, ReportsWhatTheInstrumentDid) {
    const size_t threads = SettledThreadCount();
    TempFolder dir;
    const struct {
        const char* name;
        std::vector<std::string> faults;
        Outcome connect, download;
        int message;
    } rows[] = {
        {"clean", {}, Outcome::OK, Outcome::OK, -1},
        // A block left out in the middle of a file: asked for again after 30 s.
        {"dropped", {"--drop-every", "10"}, Outcome::OK, Outcome::OK, -1},
        // The dates reply comes, its blocks never do: nothing watches that, so
        // the tool gives up itself, and says the instrument stopped answering.
        {"silent", {"--silent-after", "0"}, Outcome::NO_RESPONSE, Outcome::OK, MSG_NO_RESPONSE},
        {"slow", {"--reply-delay", "3500"}, Outcome::NO_RESPONSE, Outcome::OK, MSG_NO_RESPONSE},
        {"sd", {"--sd-missing"}, Outcome::INSTRUMENT_ERROR, Outcome::OK, MSG_NO_SD_CARD},
        // The block watch runs out: a transfer error after five resends, which
        // the exit status calls what the message says.
        {"stalled", {"--silent-after", "2"}, Outcome::OK, Outcome::INSTRUMENT_ERROR, MSG_TRANSFER_ERROR},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Ended ended = RunSession(row.faults, dir.Path() / row.name);
        EXPECT_EQ(ended.connect, row.connect);
        EXPECT_EQ(ended.download, row.download);
        EXPECT_EQ(ended.message, row.message);
        if (row.message != -1) continue;
        for (int file : {0, 1}) EXPECT_EQ(fs::file_size(dir.Path() / row.name / OutputName(file)), 5000u);
    }
    EXPECT_EQ(ThreadCountSettlesTo(threads), threads);
}

// The whole tool against qvsim, through frames left out and a connection
// that closes every 40 frames: it connects again, goes on from the file that
// failed, and ends with every file whole. On the manual clock the block
// watch's 30 s pass at once.
TEST(QvlogSession, PullsEverythingThroughDropsAndHangUps) {
    const size_t threads = SettledThreadCount();
    TempFolder dir;
    const std::string catalogue = "3,4,3000";
    ASSERT_EQ(SimProcess::Run(QVSIM_PATH, {"--generate", catalogue, "--dump", (dir.Path() / "expected").string()}), 0);
    SimProcess sim(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--generate", catalogue, "--drop-every", "20",
                                "--close-after", "40"});
    ASSERT_NE(sim.Port(), 0);
    ChannelLinkFactory links;
    const ToolRun ran = RunInProcess(links, {"--tcp", "127.0.0.1:" + std::to_string(sim.Port()), "download",
                                             "--all-runs", "--out", (dir.Path() / "got").string(), "--json"});
    EXPECT_EQ(ran.exit, 0) << ran.err;
    EXPECT_EQ(ran.json["files"].items.size(), 12u);
    EXPECT_GE(ran.json["attempts"].items.size(), 1u) << "the connection closed, so there were retries";
    for (const JsonValue& attempt : ran.json["attempts"].items)
        EXPECT_TRUE(attempt["error"]["cause"].text == "connection lost" || attempt["error"]["cause"].text == "no response" ||
                    attempt["error"]["cause"].text == "transfer error")
            << attempt["error"]["cause"].text;
    const std::vector<DumpedFile> expected = DumpedFiles(dir.Path() / "expected");
    for (const DumpedFile& file : expected)
        EXPECT_EQ(FileBytes(dir.Path() / "got" / file.name), FileBytes(file.source)) << file.name;
    EXPECT_EQ(expected.size(), 12u);
    size_t partials = 0;
    for (const auto& entry : fs::directory_iterator(dir.Path() / "got")) partials += entry.path().extension() == ".partial";
    EXPECT_EQ(partials, 0u);

    // Nothing listens: said at once, with the system's reason.
    const int closed = sim.Port();
    sim.Stop();
    const ToolRun refused = RunInProcess(links, {"--tcp", "127.0.0.1:" + std::to_string(closed), "list", "--json"});
    EXPECT_EQ(refused.exit, 3);
    EXPECT_EQ(refused.json["error"]["cause"].text, "connection refused");
    EXPECT_TRUE(refused.waits.empty()) << "a connection never made is not retried";
    EXPECT_EQ(ThreadCountSettlesTo(threads), threads);
}

}  // namespace
