// --logging-rate on the engine's virtual clock: the newest run's last file
// grows, goes out at the size announced, matches the dump, and rolls over at
// the log size.
#include "tools/qvsim/LiveCatalogue.h"

#include <gtest/gtest.h>

#include "tests/qvsim/SimHarness.h"
#include "tests/support/TempFolder.h"
#include "tools/qvsim/CsvLog.h"
#include "tools/qvsim/GeneratedCatalogue.h"

namespace qvsim_test {
namespace {

using qvsim::LiveCatalogue;

// CMD_GET_FILE and every block, the clock moving on 100 ms before each
// acknowledgement, so the file grows while it goes out; and the size the
// reply announced.
Fetched FetchGrowing(Sim& sim, const RunStamp& run, uint16_t file) { return Fetch(sim, GetFile(run, file), 100000); }
uint32_t Announced(const Fetched& got) {
    return got.reply.payload.size() == 4 ? ReadBig32(got.reply.payload.data()) : 0;
}

// CMD_GET_FILE_COUNT of a run, and its answer.
Bytes CountOf(const RunStamp& s) {
    const Bytes getFile = GetFile(s, 0);
    return WireFrame(SYNC_REQUEST, 0x84, 0, Bytes(getFile.begin() + 5, getFile.begin() + 12));
}
Bytes Count(uint16_t files) { return WireFrame(SYNC_RESPONSE, 0x84, 0, Big16(files)); }

std::string Text(const Bytes& b, size_t count) { return std::string(b.begin(), b.end()).substr(0, count); }

TEST(LiveCatalogue, LastFileGrowsServedAsAnnouncedLikeTheDumpAndRollsOverAtTheLogSize) {
    qvsim::GeneratedCatalogue base(2, 2, 3000);
    LiveCatalogue live(base, 1000, 0);
    TempFolder dir;
    std::string error;
    ASSERT_TRUE(qvsim::DumpCatalogue(live, dir.Text(), error)) << error;
    live.onGrowth = [&](size_t run, uint16_t first, uint32_t from) {
        EXPECT_TRUE(qvsim::DumpGrowth(live, dir.Text(), run, first, from, error)) << error;
    };
    qvsim::InstrumentConfig config;
    config.logSize = 5000;
    Sim sim(live, config);
    const RunStamp newest = base.Run(1);
    const auto dumped = [&](uint16_t file) {
        return FileBytes(dir.Path() / qvsim::RunFolderName(newest) / qvsim::LogFileName(file));
    };

    // Each step: when the request goes, the file and the size it announces.
    const struct { int64_t at; uint16_t file; uint32_t size; const char* why; } steps[] = {
        {0, 1, 3000, "as generated at the start"},
        {1500000, 1, 4500, "1.5 s at 1000 B/s"},
        {3000000, 1, 5000, "full at the log size"},
        {4000000, 2, 2000, "the rest goes into the next file"},
    };
    Bytes before;
    for (const auto& step : steps) {
        sim.AdvanceTo(std::max(sim.now, step.at));
        const Fetched got = FetchGrowing(sim, newest, step.file);
        EXPECT_EQ(Announced(got), step.size) << step.why;
        EXPECT_EQ(got.content.size(), Announced(got)) << step.why << ": exactly the size announced";
        EXPECT_TRUE(got.content == dumped(step.file)) << step.why << ": differs from the dump";
        if (step.file == 1) {
            const Bytes& now = got.content;
            EXPECT_TRUE(now.size() >= before.size() && std::equal(before.begin(), before.end(), now.begin()))
                << step.why << ": it only grows";
            before = got.content;
        }
    }
    ASSERT_EQ(before.size(), 5000u);
    EXPECT_EQ(Text(Bytes(before.begin() + 3000, before.end()), 11), "2024/05/07 ") << "rows follow what it held";
    EXPECT_EQ(Text(dumped(2), qvsim::CSV_HEADER_SIZE), qvsim::CSV_HEADER);
    EXPECT_EQ(sim.Send(CountOf(newest)), Count(3));
    EXPECT_EQ(sim.Send(CountOf(base.Run(0))), Count(2)) << "older runs stay as they were";

    // Collection off: nothing grows (file 2 got 0.1 s more while its one
    // acknowledgement came). On again, with a log size below what file 2
    // holds: the next bytes go into file 3.
    EXPECT_EQ(sim.Send(WireFrame(SYNC_REQUEST, 0x80, 0, Hex("00 00 00 00 00"))),
              WireFrame(SYNC_RESPONSE, 0x80, 0));
    sim.AdvanceTo(sim.now + 60000000);
    EXPECT_EQ(sim.Send(CountOf(newest)), Count(3));
    EXPECT_EQ(Announced(FetchGrowing(sim, newest, 2)), 2100u);
    sim.Send(WireFrame(SYNC_REQUEST, 0x80, 0, Hex("01 00 00 00 00")));
    sim.Send(WireFrame(SYNC_REQUEST, 0x82, 0, Hex("01 00 00 04 00")));
    sim.AdvanceTo(sim.now + 500000);
    EXPECT_EQ(sim.Send(CountOf(newest)), Count(4));
    EXPECT_EQ(Announced(FetchGrowing(sim, newest, 3)), 500u);
}

TEST(LiveCatalogue, ARunWithoutFilesGetsFileZeroHeaderFirst) {
    MemoryCatalogue base({{RUN_0507_0905, {Pattern(10)}}, {RUN_0509_0800, {}}});
    LiveCatalogue live(base, 100, 0);
    Sim sim(live);
    sim.AdvanceTo(1000000);
    EXPECT_EQ(sim.Send(CountOf(RUN_0509_0800)), Count(1));
    const Bytes file = FetchGrowing(sim, RUN_0509_0800, 0).content;
    EXPECT_EQ(file.size(), 100u);
    EXPECT_EQ(Text(file, qvsim::CSV_HEADER_SIZE + 20),
              qvsim::CSV_HEADER + std::string("2024/05/09 08:00:00,"));
    EXPECT_EQ(FetchGrowing(sim, RUN_0507_0905, 0).content, Pattern(10)) << "only the newest run grows";
}

}  // namespace
}  // namespace qvsim_test
