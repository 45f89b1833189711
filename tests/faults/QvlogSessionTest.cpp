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
    const int noResponse = MSG_NO_RESPONSE;

    const Ended clean = RunSession({}, dir.Path() / "clean");
    EXPECT_EQ(clean.connect, Outcome::OK);
    EXPECT_EQ(clean.download, Outcome::OK);
    EXPECT_EQ(fs::file_size(dir.Path() / "clean" / OutputName(1)), 5000u);

    // A block left out in the middle of a file: asked for again after 30 s.
    const Ended dropped = RunSession({"--drop-every", "10"}, dir.Path() / "dropped");
    EXPECT_EQ(dropped.download, Outcome::OK) << dropped.message;
    EXPECT_EQ(fs::file_size(dir.Path() / "dropped" / OutputName(0)), 5000u);

    // The dates reply comes, its blocks never do: nothing watches that, so
    // the tool gives up itself, and says the instrument stopped answering.
    const Ended silent = RunSession({"--silent-after", "0"}, dir.Path() / "silent");
    EXPECT_EQ(silent.connect, Outcome::NO_RESPONSE);
    EXPECT_EQ(silent.message, noResponse);

    const Ended slow = RunSession({"--reply-delay", "3500"}, dir.Path() / "slow");
    EXPECT_EQ(slow.connect, Outcome::NO_RESPONSE);
    EXPECT_EQ(slow.message, noResponse);

    const Ended sd = RunSession({"--sd-missing"}, dir.Path() / "sd");
    EXPECT_EQ(sd.connect, Outcome::INSTRUMENT_ERROR);
    EXPECT_EQ(sd.message, MSG_NO_SD_CARD);

    // The block watch runs out: a transfer error after five resends, which
    // the exit status calls what the message says.
    const Ended stalled = RunSession({"--silent-after", "2"}, dir.Path() / "stalled");
    EXPECT_EQ(stalled.download, Outcome::INSTRUMENT_ERROR);
    EXPECT_EQ(stalled.message, MSG_TRANSFER_ERROR);

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
