// The engine's answers to each command, byte for byte, and the block flow
// with its acknowledgements.
#include "tools/qvsim/Instrument.h"

#include <gtest/gtest.h>

#include "tests/qvsim/SimHarness.h"
#include "tools/qvsim/GeneratedCatalogue.h"

namespace qvsim_test {
namespace {

using qvsim::InstrumentConfig;

MemoryCatalogue OneRun(std::vector<Bytes> files) {
    return MemoryCatalogue({{RUN_0507_0905, std::move(files)}});
}

const char GET_FILE_3[] = "AA 87 00 00 09 07 E8 05 07 09 05 00 00 03 47";

TEST(Instrument, AnswersEachCommandByteForByte) {
    Play({
        {"connect and disconnect", {{RUN_0507_0905, {}}}, nullptr,
         {{"AA 10 20 00 00 DB", "55 10 00 00 00 66"}, {"AA 11 00 00 00 BC", "55 11 00 00 00 67"}}},
        {"connect status 5", {{RUN_0507_0905, {}}}, [](InstrumentConfig& c) { c.connectStatus = 5; },
         {{"AA 10 20 00 00 DB", "55 10 05 00 00 6B"}}},
        {"log settings kept and reported back", {{RUN_0507_0905, {}}}, nullptr,
         {{"AA 81 00 00 00 2C", "55 81 00 00 01 01 D9"},
          {"AA 83 00 00 01 01 30", "55 83 00 00 05 01 00 10 00 00 EF"},
          {Request(0x80, "00 00 00 00 00"), Reply(0x80, 0)},
          {Request(0x82, "01 00 03 20 00"), Reply(0x82, 0)},
          {Request(0x81), Reply(0x81, 0, "00")},
          {Request(0x83, "01"), Reply(0x83, 0, "01 00 03 20 00")},
          {Request(0x83, "02"), Reply(0x83, 1), "only item 1 exists"},
          {Request(0x82, "02 00 00 00 01"), Reply(0x82, 1), "only item 1 exists"},
          {Request(0x82, "01 00 00"), Reply(0x82, 1), "a short payload"},
          {Request(0x80), Reply(0x80, 1), "a short payload"},
          {Request(0x81), Reply(0x81, 0, "00"), "refusals change nothing"},
          {Request(0x83, "01"), Reply(0x83, 0, "01 00 03 20 00"), "refusals change nothing"}}},
        {"log settings configured", {{RUN_0507_0905, {}}},
         [](InstrumentConfig& c) {
             c.logEnable = true;
             c.logSize = 10240;
         },
         {{Request(0x83, "01"), Reply(0x83, 0, "01 00 00 28 00")}}},
        {"dates of a one-date catalogue", {{RUN_0507_0905, {}}, {RUN_0507_1430, {}}}, nullptr,
         {{"AA 85 00 00 00 30", "55 85 00 00 00 DB AA 88 80 00 04 07 E8 05 07 B2"},
          {"55 88 00 00 00 DE", "", "the last block's ack ends the sequence"},
          {"55 88 02 00 00 E0", "", "no sequence is left to resend"}}},
        {"times of a date", {{RUN_0507_1430, {}}, {RUN_0509_0800, {}}, {RUN_0507_0905, {}}}, nullptr,
         {{"AA 86 00 00 04 07 E8 05 07 30",
           "55 86 00 00 00 DC " + ToHex(WireFrame(SYNC_REQUEST, 0x88, 0x90, Hex("09 05 00 0E 1E 0F")))},
          {"AA 86 00 00 04 07 E8 05 08 31", "55 86 00 00 00 DC AA 88 90 00 00 C3",
           "a date without runs: one last block with nothing in it"},
          {Request(0x86, "07 E8"), Reply(0x86, 1)}}},
        {"dates of an empty catalogue", {}, nullptr,
         {{"AA 85 00 00 00 30", "55 85 00 00 00 DB AA 88 80 00 00 B3"}}},
        {"file counts of known and unknown runs", {{RUN_0507_0905, {{}, {}, {}}}}, nullptr,
         {{"AA 84 00 00 07 07 E8 05 07 09 05 00 3F", "55 84 00 00 02 00 03 DF"},
          {"AA 84 00 00 07 07 E8 05 07 09 05 01 40", "55 84 00 00 02 00 00 DC"},
          {Request(0x84, "07 E8 05 07 09 05"), Reply(0x84, 1)}}},
        {"empty and unknown files", {{RUN_0507_0905, {Bytes{}, Pattern(10, 0)}}}, nullptr,
         {{ToHex(GetFile(RUN_0507_0905, 0)), Reply(0x87, 0, "00 00 00 00"), "an empty file has size 0 and no block"},
          {"55 88 00 00 00 DE", ""},
          {ToHex(GetFile(RUN_0507_0905, 2)), Reply(0x87, 2)},
          {ToHex(GetFile(RUN_0507_1430, 0)), Reply(0x87, 2)},
          {Request(0x87, "07 E8 05 07 09 05 00 00"), Reply(0x87, 1)}}},
        {"unknown commands and stray frames", {{RUN_0507_0905, {}}}, nullptr,
         {{Request(0x12), Reply(0x12, 0xFF)},
          {Request(0x88), Reply(0x88, 0xFF)},
          {Reply(0x10, 0), "", "a response is no request"}}},
    });
}

TEST(Instrument, DatesComeAscendingInWholeRecordsOverSeveralBlocks) {
    // 600 runs, two a day: 300 dates, 256 to a full block.
    qvsim::GeneratedCatalogue catalogue(600, 0, 0);
    Sim sim(catalogue);
    const Fetched fetched = Fetch(sim, Hex("AA 85 00 00 00 30"));
    EXPECT_EQ(fetched.reply.sync, SYNC_RESPONSE);
    EXPECT_EQ(fetched.blocks, "00/1024 80/176") << "first block: kind 0x00, not last";
    const Bytes& dates = fetched.content;
    EXPECT_EQ(ToHex(Bytes(dates.begin(), dates.begin() + 8)), "07 E8 05 07 07 E8 05 08");
    for (size_t i = 4; i < dates.size(); i += 4)
        EXPECT_LT(ToHex(Bytes(dates.begin() + i - 4, dates.begin() + i)),
                  ToHex(Bytes(dates.begin() + i, dates.begin() + i + 4)))
            << "dates out of order at record " << i / 4;

    // A smaller block size still never splits a record.
    InstrumentConfig config;
    config.blockSize = 10;
    Sim small(catalogue, config);
    const std::vector<ParsedFrame> frames = ParseFrames(small.Send("AA 85 00 00 00 30"));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(ToHex(frames[1].payload), "07 E8 05 07 07 E8 05 08");
}

TEST(Instrument, FileComesInAcknowledgedBlocksAfterItsSize) {
    MemoryCatalogue catalogue = OneRun({{}, {}, {}, Pattern(3000, 7)});
    Sim sim(catalogue);
    const Fetched file = Fetch(sim, Hex(GET_FILE_3));
    EXPECT_EQ(ToHex(WireFrame(file.reply.sync, file.reply.command, file.reply.status, file.reply.payload)),
              "55 87 00 00 04 00 00 0B B8 A4");
    EXPECT_EQ(file.blocks, "20/1024 20/1024 A0/952") << "one block before each acknowledgement";
    EXPECT_EQ(file.content, catalogue.Content(0, 3));
    EXPECT_EQ(sim.Exchange("55 88 00 00 00 DE"), "");

    // A smaller block size.
    InstrumentConfig config;
    config.blockSize = 1000;
    Sim small(catalogue, config);
    EXPECT_EQ(Fetch(small, Hex(GET_FILE_3)).blocks, "20/1000 20/1000 A0/1000");
}

TEST(Instrument, ResendRepeatsTheLastBlockAndCancelEndsTheSequence) {
    MemoryCatalogue catalogue = OneRun({Pattern(2500, 1)});
    Sim sim(catalogue);
    const Bytes first = ParseFrames(sim.Send(GetFile(RUN_0507_0905, 0)))[1].payload;
    const Bytes second = sim.Send(Ack(0));
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(sim.Send(Ack(2)), second) << "ACK_RESEND sends the same frame again";
    EXPECT_EQ(sim.Send(Ack(2)), second);
    EXPECT_EQ(ParseFrames(second)[0].payload, Bytes(catalogue.Content(0, 0).begin() + 1024,
                                                    catalogue.Content(0, 0).begin() + 2048));
    EXPECT_EQ(sim.Exchange("55 88 01 00 00 DF"), "") << "ACK_CANCEL sends nothing";
    EXPECT_EQ(sim.Exchange("55 88 00 00 00 DE"), "") << "nothing follows a cancelled sequence";
    EXPECT_EQ(sim.Exchange("55 88 07 00 00 E5"), "");
}

TEST(Instrument, NewRequestAbandonsTheSequenceInProgress) {
    MemoryCatalogue catalogue = OneRun({Pattern(5000, 3)});
    Sim sim(catalogue);
    sim.Send(GetFile(RUN_0507_0905, 0));
    EXPECT_EQ(sim.Exchange("AA 85 00 00 00 30"), "55 85 00 00 00 DB AA 88 80 00 04 07 E8 05 07 B2");
    EXPECT_EQ(sim.Exchange("55 88 00 00 00 DE"), "") << "the file's blocks must not resume";

    // The same file asked again starts from its first byte.
    std::vector<ParsedFrame> frames = ParseFrames(sim.Send(GetFile(RUN_0507_0905, 0)));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].payload, Bytes(catalogue.Content(0, 0).begin(),
                                       catalogue.Content(0, 0).begin() + 1024));
}

TEST(Instrument, UnreadableFileEndsInAnErrorBlock) {
    MemoryCatalogue catalogue = OneRun({Pattern(3000, 0)});
    Sim sim(catalogue);
    sim.Send(GetFile(RUN_0507_0905, 0));
    catalogue.failReads = true;
    EXPECT_EQ(sim.Exchange("55 88 00 00 00 DE"), ToHex(WireFrame(SYNC_REQUEST, 0x88, 0x60)))
        << "no bytes that could not be read";
    EXPECT_EQ(sim.Exchange("55 88 00 00 00 DE"), "");
}

TEST(Instrument, MalformedInputNeverCrashesAndIsAnsweredOnlyWithFrames) {
    MemoryCatalogue catalogue = OneRun({Pattern(4000, 9)});
    Sim sim(catalogue);
    qvsim::Random random(42);
    Bytes garbage(1 << 20);
    for (uint8_t& b : garbage) b = static_cast<uint8_t>(random.Next());
    Bytes out;
    for (size_t at = 0; at < garbage.size();) {
        const size_t n = std::min<size_t>(1 + random.Below(3000), garbage.size() - at);
        Append(out, sim.Send(Bytes(garbage.begin() + at, garbage.begin() + at + n)));
        at += n;
    }
    // Every byte written belongs to a well-formed frame.
    size_t framed = 0;
    for (const ParsedFrame& f : ParseFrames(out)) framed += static_cast<size_t>(f.length) + FRAME_OVERHEAD;
    EXPECT_EQ(framed, out.size());

    // An oversized frame with a correct checksum is skipped whole; the
    // frame after it is answered.
    const Bytes big = WireFrame(0xAA, 0x10, 0x20, Bytes(2000, 0x11));
    Sim clean(catalogue);
    EXPECT_EQ(clean.Send(big), Bytes{});
    EXPECT_EQ(clean.Exchange("AA 10 20 00 00 DB"), "55 10 00 00 00 66");
    // A bad checksum is dropped; the next frame is read normally.
    EXPECT_EQ(clean.Exchange("AA 10 20 00 00 DA AA 10 20 00 00 DB"), "55 10 00 00 00 66");
}

TEST(Instrument, NewConnectionForgetsTheLastPeer) {
    MemoryCatalogue catalogue = OneRun({Pattern(3000, 0)});
    Sim sim(catalogue);
    sim.Send(GetFile(RUN_0507_0905, 0));
    sim.Send("AA 10 20");  // half a frame
    sim.instrument.Connect(sim.now);
    EXPECT_EQ(sim.Exchange("55 88 00 00 00 DE"), "") << "the old sequence is gone";
    EXPECT_EQ(sim.Exchange("AA 10 20 00 00 DB"), "55 10 00 00 00 66") << "the half frame is gone";
}

TEST(Instrument, OutputThatCannotBeWrittenWaitsAndInputWaitsForIt) {
    MemoryCatalogue catalogue = OneRun({Pattern(3000, 5)});
    Sim sim(catalogue);
    sim.wire.room = 100;
    const Bytes request = GetFile(RUN_0507_0905, 0);
    Bytes out = sim.Send(request);
    EXPECT_EQ(out.size(), 100u);
    EXPECT_EQ(sim.instrument.NextDeadline(true), qvsim::NO_DEADLINE)
        << "nothing to do while the transport is full";
    EXPECT_EQ(sim.instrument.NextDeadline(false), sim.now);
    // Requests fill the line and then wait in the input queue; none is lost.
    for (int i = 0; i < 7; ++i) sim.Send(request);
    EXPECT_EQ(sim.instrument.NextDeadline(true), qvsim::NO_DEADLINE)
        << "waiting input needs room first";
    sim.wire.room = SIZE_MAX;
    Append(out, sim.AdvanceTo(1));
    const std::vector<ParsedFrame> frames = ParseFrames(out);
    ASSERT_EQ(frames.size(), 16u);
    for (size_t i = 0; i < frames.size(); i += 2) {
        EXPECT_EQ(frames[i].command, 0x87);
        EXPECT_EQ(frames[i + 1].payload.size(), 1024u);
    }
    EXPECT_EQ(sim.instrument.DroppedInput(), 0u);
}

}  // namespace
}  // namespace qvsim_test
