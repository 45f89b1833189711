// Peers that no instrument should be: frames announcing up to 65535 bytes,
// data blocks nobody asked for, a flood faster than the tool takes it, random
// bytes. Each comes while the tool is connected and idle; the tool must not
// crash, must keep its memory bounded and must stay usable: a new
// connection afterwards lists the catalogue and downloads every file byte
// for byte. BAD_PEER_SECONDS (default 2) sets how long each lasts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/faults/BadPeer.h"
#include "tests/faults/FaultDriver.h"
#include "tests/support/ProcessStats.h"
#include "tests/support/TempFolder.h"
#include "tools/qvsim/GeneratedCatalogue.h"
#include "ui/controls/ControlIds.h"

namespace {

namespace fs = std::filesystem;

constexpr int FILES = 3;
constexpr uint32_t FILE_BYTES = 6000;
// The dialog holds fixed buffers and bounded lists; a flood must not make
// it grow past this.
constexpr size_t GROWTH_LIMIT_KB = 64 * 1024;

int FloodMilliseconds() {
    const char* text = std::getenv("BAD_PEER_SECONDS");
    const int seconds = text != nullptr ? std::atoi(text) : 0;
    return (seconds > 0 ? seconds : 2) * 1000;
}

class BadPeerTest : public testing::TestWithParam<BadPeer::Mode> {};

TEST_P(BadPeerTest, ToolSurvivesAndWorksAfterwards) {
    qvsim::GeneratedCatalogue catalogue(1, FILES, FILE_BYTES);
    const size_t threadsBefore = SettledThreadCount();
    TempFolder dir;
    {
        BadPeer peer(catalogue);
        ASSERT_TRUE(peer.Start());
        FaultDriver driver;
        driver.ConnectTcp(peer.Port());
        ASSERT_TRUE(driver.state->connected) << "the first connection failed before any misbehaviour";

        const size_t residentBefore = ResidentKilobytes();
        peer.Misbehave(GetParam(), FloodMilliseconds());
        while (peer.Misbehaving()) driver.PumpFor(50);
        driver.PumpFor(200);
        const size_t growth = PeakResidentKilobytes() - std::min(PeakResidentKilobytes(), residentBefore);
        RecordProperty("resident_growth_kb", static_cast<int>(growth));
        std::printf("%llu bad bytes taken; resident memory grew by %zu kB\n",
                    static_cast<unsigned long long>(peer.BadBytesSent()), growth);
        EXPECT_GT(peer.BadBytesSent(), 0u);
        EXPECT_LT(growth, GROWTH_LIMIT_KB);

        // Whatever the flood started runs out; then a fresh connection.
        std::printf("after it: %d dates, %d times listed\n", driver.ui.ListCount(IDC_DATES),
                    driver.ui.ListCount(IDC_TIMES));
        EXPECT_TRUE(driver.Settle());
        // A late junk reply may end the disconnect's watch and keep the old
        // link; Connect releases it first.
        driver.Disconnect();
        driver.ui.ClearMessageBoxes();
        driver.ConnectTcp(peer.Port());
        ASSERT_TRUE(driver.state->connected) << "no connection after the misbehaviour";
        ASSERT_EQ(driver.ui.ListCount(IDC_FILES), FILES);
        const fs::path out = dir.Path() / "out";
        fs::create_directories(out);
        driver.DownloadEveryRun(out.string());
        EXPECT_TRUE(MessageTexts(driver.ui).empty()) << MessageTexts(driver.ui)[0];
        for (int file = 0; file < FILES; ++file) {
            Bytes expected(FILE_BYTES);
            ASSERT_TRUE(catalogue.Read(0, static_cast<uint16_t>(file), 0, expected.data(), FILE_BYTES));
            EXPECT_TRUE(FileBytes(out / OutputName(file)) == expected) << OutputName(file) << " differs";
        }
        driver.Disconnect();
        EXPECT_FALSE(driver.state->link);
    }
    EXPECT_EQ(ThreadCountSettlesTo(threadsBefore), threadsBefore) << "a thread outlived the session";
}

std::string ModeName(const testing::TestParamInfo<BadPeer::Mode>& info) {
    static const char* const names[] = {"Good", "Oversized", "Unsolicited", "Flood", "RandomBytes"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Peers, BadPeerTest,
                         testing::Values(BadPeer::OVERSIZED, BadPeer::UNSOLICITED, BadPeer::FLOOD,
                                         BadPeer::RANDOM),
                         ModeName);

}  // namespace
