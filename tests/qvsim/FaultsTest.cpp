// Each fault switch, on a virtual clock where time matters.
#include "tools/qvsim/OutgoingLine.h"

#include <gtest/gtest.h>

#include "tests/qvsim/SimHarness.h"

namespace qvsim_test {
namespace {

using qvsim::InstrumentConfig;

const std::vector<MemoryCatalogue::Entry> RUNS = {{RUN_0507_0905, {Pattern(3000, 0), Pattern(3000, 1), Bytes{}}}};

class Faults : public testing::Test {
protected:
    MemoryCatalogue catalogue{RUNS};
    InstrumentConfig config;
};

std::string Statuses(const std::vector<ParsedFrame>& frames) {
    std::string out;
    for (const ParsedFrame& f : frames) out += ToHex(Bytes{f.sync, f.command, f.status}) + "; ";
    return out;
}

TEST_F(Faults, SwitchesChangeTheAnswersByteForByte) {
    const std::string getFile0 = ToHex(GetFile(RUN_0507_0905, 0));
    Play({
        {"card missing", RUNS, [](InstrumentConfig& c) { c.sdMissing = true; },
         {{"AA 10 20 00 00 DB", "55 10 00 00 00 66"},
          {"AA 85 00 00 00 30", "55 85 0B 00 00 E6", "no blocks follow"},
          {"AA 86 00 00 04 07 E8 05 07 30", Reply(0x86, 11)},
          {"AA 84 00 00 07 07 E8 05 07 09 05 00 3F", Reply(0x84, 11)},
          {getFile0, Reply(0x87, 11)},
          {Request(0x81), Reply(0x81, 0, "01"), "settings do not need the card"}}},
        {"unsupported wins over the missing card", RUNS,
         [](InstrumentConfig& c) { c.sdMissing = c.unsupported = true; },
         {{"AA 85 00 00 00 30", "55 85 FF 00 00 DA"}, {getFile0, Reply(0x87, 0xFF)}}},
        {"error block at 1: lists count blocks too", RUNS, [](InstrumentConfig& c) { c.errorBlockAt = 1; },
         {{"AA 85 00 00 00 30", "55 85 00 00 00 DB AA 88 C0 00 04 07 E8 05 07 F2"}}},
        {"silent from the start", RUNS, [](InstrumentConfig& c) { c.silentAfter = 0; },
         {{"AA 85 00 00 00 30", "55 85 00 00 00 DB", "the reply, no block"}}},
        {"every second frame dropped", RUNS, [](InstrumentConfig& c) { c.line.dropEvery = 2; },
         {{"AA 10 20 00 00 DB", "55 10 00 00 00 66", "frame 1"},
          {"AA 85 00 00 00 30", "AA 88 80 00 04 07 E8 05 07 B2", "frame 2, the reply, is left out; frame 3 goes"},
          {"AA 10 20 00 00 DB", "55 10 00 00 00 66", "CMD_CONNECT starts the count again"},
          {"AA 11 00 00 00 BC", ""}}},
    });
}

TEST_F(Faults, BusyAnswers13TheFirstTimesForEachFile) {
    config.busy = 2;
    Sim sim(catalogue, config);
    EXPECT_EQ(sim.Send(GetFile(RUN_0507_0905, 0)), WireFrame(SYNC_RESPONSE, 0x87, 13));
    EXPECT_EQ(sim.Send(GetFile(RUN_0507_0905, 0)), WireFrame(SYNC_RESPONSE, 0x87, 13));
    EXPECT_EQ(ParseFrames(sim.Send(GetFile(RUN_0507_0905, 0))).size(), 2u) << "third time: size and first block";
    EXPECT_EQ(sim.Send(GetFile(RUN_0507_0905, 1)), WireFrame(SYNC_RESPONSE, 0x87, 13)) << "each file counts alone";
    EXPECT_EQ(sim.Send(GetFile(RUN_0507_0905, 1)), WireFrame(SYNC_RESPONSE, 0x87, 13));
    EXPECT_EQ(ParseFrames(sim.Send(GetFile(RUN_0507_0905, 1)))[0].status, 0);
    EXPECT_EQ(ParseFrames(sim.Send(GetFile(RUN_0507_0905, 0)))[0].status, 0) << "a ready file stays ready";
    sim.instrument.Connect(sim.now);
    EXPECT_EQ(ParseFrames(sim.Send(GetFile(RUN_0507_0905, 0)))[0].status, 0) << "the instrument remembers";
}

TEST_F(Faults, ErrorBlockEndsTheSequence) {
    config.errorBlockAt = 2;
    Sim sim(catalogue, config);
    EXPECT_EQ(ParseFrames(sim.Send(GetFile(RUN_0507_0905, 0)))[1].status, 0x20);
    const Bytes error = sim.Send(Ack(0));
    const std::vector<ParsedFrame> frames = ParseFrames(error);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].status, 0x60) << "file block flagged BLOCK_ERROR";
    EXPECT_EQ(sim.Send(Ack(2)), error) << "a resend repeats the error block";
    EXPECT_EQ(sim.Exchange("55 88 00 00 00 DE"), "") << "nothing after an error block";
}

TEST_F(Faults, SilentAfterStopsBlocksUntilTheNextRequest) {
    config.silentAfter = 1;
    Sim sim(catalogue, config);
    EXPECT_EQ(ParseFrames(sim.Send(GetFile(RUN_0507_0905, 0))).size(), 2u);
    EXPECT_EQ(sim.Exchange("55 88 00 00 00 DE"), "");
    EXPECT_EQ(sim.Exchange("55 88 02 00 00 E0"), "") << "resend requests go unanswered too";
    EXPECT_EQ(sim.RunToIdle(), Bytes{});
    EXPECT_EQ(ParseFrames(sim.Send(GetFile(RUN_0507_0905, 1))).size(), 2u) << "a new request is answered";
}

TEST_F(Faults, CorruptCountsTheFramesSent) {
    config.line.corruptEvery = 3;
    Sim bad(catalogue, config);
    bad.Send("AA 10 20 00 00 DB");
    const Bytes out = bad.Send(GetFile(RUN_0507_0905, 0));  // frames 2 and 3
    const Bytes good = WireFrame(SYNC_RESPONSE, 0x87, 0, Hex("00 00 0B B8"));
    ASSERT_EQ(out.size(), good.size() + 1030);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 10), good);
    const std::vector<ParsedFrame> frames = ParseFrames(out);
    EXPECT_EQ(frames.size(), 1u) << "the third frame fails the tool's checksum: " << Statuses(frames);
    // A resend (frame 4) is whole again, and differs only in the checksum.
    const Bytes resent = bad.Send(Ack(2));
    ASSERT_EQ(resent.size(), 1030u);
    EXPECT_EQ(Bytes(resent.begin(), resent.end() - 1), Bytes(out.begin() + 10, out.end() - 1));
    EXPECT_EQ(static_cast<uint8_t>(resent.back() + 1), out.back());
    EXPECT_EQ(ParseFrames(resent).size(), 1u);
}

TEST_F(Faults, NoiseGoesBetweenFramesAndNeverLooksLikeASync) {
    config.line.noise = true;
    config.line.seed = 7;
    Sim sim(catalogue, config);
    Bytes out = sim.Send("AA 10 20 00 00 DB");
    ASSERT_GT(out.size(), 6u);
    EXPECT_EQ(Bytes(out.end() - 6, out.end()), Hex("55 10 00 00 00 66"));
    for (size_t i = 0; i + 6 < out.size(); ++i) {
        EXPECT_NE(out[i], 0xAA);
        EXPECT_NE(out[i], 0x55);
    }
    // A whole download through the noise reads as without it.
    Bytes all = sim.Send(GetFile(RUN_0507_0905, 0));
    for (int i = 0; i < 3; ++i) Append(all, sim.Send(Ack(0)));
    const std::vector<ParsedFrame> frames = ParseFrames(all);
    ASSERT_EQ(frames.size(), 4u) << Statuses(frames);
    Bytes content;
    for (size_t i = 1; i < frames.size(); ++i) Append(content, frames[i].payload);
    EXPECT_EQ(content, catalogue.Content(0, 0));
    EXPECT_GT(all.size(), 10u + 3 * 6 + 3000) << "noise was added";

    // The same seed makes the same noise.
    Sim again(catalogue, config);
    EXPECT_EQ(again.Send("AA 10 20 00 00 DB"), out);
}

TEST_F(Faults, SplitWritesSmallPiecesWithTinyPauses) {
    config.line.split = true;
    Sim sim(catalogue, config);
    Bytes out = sim.Send(GetFile(RUN_0507_0905, 0));
    EXPECT_LT(out.size(), 1040u) << "a pause came before the whole output";
    Append(out, sim.RunToIdle());
    Sim plain(catalogue);
    EXPECT_EQ(out, plain.Send(GetFile(RUN_0507_0905, 0)));
    EXPECT_GT(sim.wire.writes.size(), 1040u / 8);
    for (size_t n : sim.wire.writes) EXPECT_LE(n, 8u);
    EXPECT_GT(sim.now, 0) << "pauses took virtual time";
    EXPECT_LT(sim.now, 1040 * 2000) << "pauses stay tiny";
}

TEST_F(Faults, ReplyDelayHoldsRequestsNotAcknowledgements) {
    config.replyDelayMs = 3500;
    Sim sim(catalogue, config);
    EXPECT_EQ(sim.Exchange("AA 10 20 00 00 DB"), "");
    EXPECT_EQ(sim.instrument.NextDeadline(false), 3500000);
    EXPECT_EQ(ToHex(sim.AdvanceTo(3499999)), "");
    EXPECT_EQ(ToHex(sim.AdvanceTo(3500000)), "55 10 00 00 00 66");
    EXPECT_EQ(sim.instrument.NextDeadline(false), qvsim::NO_DEADLINE);

    sim.Send(GetFile(RUN_0507_0905, 0));
    const std::vector<ParsedFrame> frames = ParseFrames(sim.AdvanceTo(7000000));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(ParseFrames(sim.Send(Ack(0))).size(), 1u) << "the next block comes at once";
}

TEST_F(Faults, TurnaroundHoldsEveryBlockNotTheReplies) {
    config.turnaroundMs = 11;
    Sim sim(catalogue, config);
    EXPECT_EQ(sim.Exchange("AA 10 20 00 00 DB"), "55 10 00 00 00 66") << "a reply is not held";
    EXPECT_EQ(Statuses(ParseFrames(sim.Send(GetFile(RUN_0507_0905, 0)))), "55 87 00; ") << "the reply alone at once";
    EXPECT_EQ(sim.instrument.NextDeadline(false), 11000);
    EXPECT_EQ(sim.AdvanceTo(10999), Bytes{});
    EXPECT_EQ(Statuses(ParseFrames(sim.AdvanceTo(11000))), "AA 88 20; ");

    // Each acknowledgement: the next block 11 ms after it arrived, however
    // late the simulator got round to it; a resend too.
    const Bytes ack = Ack(0);
    sim.instrument.Receive(ack.data(), ack.size(), 11000);
    EXPECT_EQ(sim.AdvanceTo(11040), Bytes{});
    EXPECT_EQ(sim.AdvanceTo(21999), Bytes{});
    EXPECT_EQ(Statuses(ParseFrames(sim.AdvanceTo(22000))), "AA 88 20; ");
    EXPECT_EQ(sim.Send(Ack(2)), Bytes{});
    const std::vector<ParsedFrame> resent = ParseFrames(sim.AdvanceTo(33000));
    ASSERT_EQ(resent.size(), 1u);
    EXPECT_EQ(resent[0].payload, Bytes(catalogue.Content(0, 0).begin() + 1024, catalogue.Content(0, 0).begin() + 2048));

    // A request while a block waits ends the sequence: that block never comes.
    EXPECT_EQ(sim.Send(Ack(0)), Bytes{});
    EXPECT_EQ(sim.Send(WireFrame(SYNC_REQUEST, 0x81, 0)), WireFrame(SYNC_RESPONSE, 0x81, 0, Hex("01")));
    EXPECT_EQ(sim.instrument.NextDeadline(false), qvsim::NO_DEADLINE);
    EXPECT_EQ(sim.AdvanceTo(60000), Bytes{});
}

TEST_F(Faults, CloseAfterEndsTheLineUntilTheNextConnect) {
    config.line.closeAfter = 2;
    Sim sim(catalogue, config);
    EXPECT_EQ(sim.Exchange("AA 10 20 00 00 DB"), "55 10 00 00 00 66");
    EXPECT_FALSE(sim.instrument.WantsClose());
    EXPECT_EQ(sim.Exchange("AA 85 00 00 00 30"), "55 85 00 00 00 DB") << "the block stays unsent";
    EXPECT_TRUE(sim.instrument.WantsClose());
    // On a serial line, the instrument stays deaf until a new connection.
    EXPECT_EQ(sim.Exchange("AA 11 00 00 00 BC"), "");
    EXPECT_EQ(sim.Exchange("AA 10 20 00 00 DB"), "55 10 00 00 00 66");
    EXPECT_FALSE(sim.instrument.WantsClose());

    config.line.closeAfter = 0;
    Sim at_once(catalogue, config);
    EXPECT_TRUE(at_once.instrument.WantsClose());
}

TEST_F(Faults, BaudPacesTenBitsAByte) {
    config.line.baud = 9600;
    Sim sim(catalogue, config);
    Bytes out = sim.Send(GetFile(RUN_0507_0905, 0));  // 1040 bytes due
    EXPECT_EQ(out.size(), 1u) << "the first byte leaves at once";
    // The k-th byte may not leave before k * 10 / 9600 s.
    size_t total = out.size();
    while (sim.instrument.NextDeadline(false) != qvsim::NO_DEADLINE) {
        // A loop that wakes late catches up.
        total += sim.AdvanceTo(sim.instrument.NextDeadline(false) + 700).size();
        const size_t allowed = static_cast<size_t>(sim.now * 9600 / 10000000) + 1;
        ASSERT_EQ(total, std::min<size_t>(allowed, 1040)) << "at " << sim.now << " us";
    }
    EXPECT_EQ(total, 1040u);
    EXPECT_NEAR(static_cast<double>(sim.now), 1039 * 1e7 / 9600, 1500.0);

    // A line left idle starts its pace afresh.
    sim.AdvanceTo(sim.now + 10000000);
    EXPECT_EQ(sim.Send(Ack(0)).size(), 1u);
}

TEST_F(Faults, ConnectMidFrameFinishesThatFrameAndDropsTheRest) {
    config.line.baud = 115200;
    Sim sim(catalogue, config);
    Bytes sent = sim.Send(GetFile(RUN_0507_0905, 0));
    Append(sent, sim.AdvanceTo(500));  // 6 bytes of the reply are out
    ASSERT_EQ(sent.size(), 6u);
    sim.Send("AA 10 20 00 00 DB");
    Append(sent, sim.RunToIdle());
    EXPECT_EQ(ToHex(sent), "55 87 00 00 04 00 00 0B B8 A4 55 10 00 00 00 66")
        << "the reply in flight is finished, the block is dropped";
}

TEST_F(Faults, InputBeyondTheQueueIsDroppedNotStored) {
    config.replyDelayMs = 100;
    Sim sim(catalogue, config);
    Bytes burst;
    for (int i = 0; i < 20; ++i) Append(burst, WireFrame(SYNC_REQUEST, 0x81, 0));
    EXPECT_EQ(sim.Send(burst), Bytes{});
    EXPECT_EQ(sim.instrument.DroppedInput(), 20u - qvsim::Instrument::INPUT_FRAMES);
    EXPECT_EQ(ParseFrames(sim.AdvanceTo(100000)).size(), qvsim::Instrument::INPUT_FRAMES);
}

}  // namespace
}  // namespace qvsim_test
