// qvlog's session over the real link against a real qvsim, on a manual
// clock: what it reports when the instrument fails, in seconds instead of
// the watches' minutes.
#include <gtest/gtest.h>

#include <filesystem>

#include "link/ChannelLinks.h"
#include "tests/faults/ProcessStats.h"
#include "tests/faults/SimProcess.h"
#include "tests/qvsim/TempDir.h"
#include "tools/qvlog/Session.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

namespace fs = std::filesystem;

struct Ended {
    Outcome connect;
    Outcome download = Outcome::OK;
    std::string message;
};

Ended RunSession(const std::vector<std::string>& faults, const fs::path& out) {
    std::vector<std::string> args = {"--listen", "127.0.0.1:0", "--generate", "1,2,5000"};
    args.insert(args.end(), faults.begin(), faults.end());
    SimProcess sim(QVSIM_PATH, args);
    TcpTarget target{0x7F000001, sim.Port()};
    EXPECT_NE(target.port, 0);
    ChannelLinkFactory links;
    Session session(links, HeadlessUi::MANUAL_CLOCK);
    Ended run{session.ConnectTcp(target), Outcome::OK, ""};
    if (run.connect == Outcome::OK) {
        fs::create_directories(out);
        run.download = session.Download({0, 1}, out.string());
        session.Disconnect();
    }
    run.message = session.lastMessage;
    return run;
}

TEST(QvlogSession, ReportsWhatTheInstrumentDid) {
    const size_t threads = SettledThreadCount();
    qvsim_test::TempDir dir;
    const std::string noResponse = CatalogueEntry(MSG_NO_RESPONSE).text;

    const Ended clean = RunSession({}, dir.Path() / "clean");
    EXPECT_EQ(clean.connect, Outcome::OK);
    EXPECT_EQ(clean.download, Outcome::OK);
    EXPECT_EQ(fs::file_size(dir.Path() / "clean" / "20240507_090500_00000001.csv"), 5000u);

    // A block left out in the middle of a file: asked for again after 30 s.
    const Ended dropped = RunSession({"--drop-every", "10"}, dir.Path() / "dropped");
    EXPECT_EQ(dropped.download, Outcome::OK) << dropped.message;
    EXPECT_EQ(fs::file_size(dir.Path() / "dropped" / "20240507_090500_00000000.csv"), 5000u);

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
    EXPECT_EQ(sd.message, CatalogueEntry(MSG_NO_SD_CARD).text);

    // The block watch runs out: a transfer error after five resends.
    const Ended stalled = RunSession({"--silent-after", "2"}, dir.Path() / "stalled");
    EXPECT_EQ(stalled.download, Outcome::NO_RESPONSE);
    EXPECT_EQ(stalled.message, CatalogueEntry(MSG_TRANSFER_ERROR).text);

    EXPECT_EQ(ThreadCount(), threads);
}

}  // namespace
