#include "link/Frame.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/Hex.h"
#include "tests/support/Frames.h"

namespace {

class RecordingSink : public FrameCollector {
public:
    void OnFrame(const FrameImage& image) override {
        FrameCollector::OnFrame(image);
        EXPECT_EQ(image.checksum, lastChecksumExpected) << "checksum field of the image";
    }
    uint8_t lastChecksumExpected = 0;
};

Bytes Build(uint8_t sync, uint8_t command, uint8_t status, const Bytes& payload) {
    Bytes out(payload.size() + FRAME_OVERHEAD);
    const size_t size = BuildFrame(sync, command, status, static_cast<uint32_t>(payload.size()),
                                   payload.data(), out.data());
    EXPECT_EQ(size, out.size());
    return out;
}

// A frame as the wire carries it, with any length field and checksum.
Bytes RawFrame(uint8_t sync, uint8_t command, uint8_t status, uint32_t length) {
    return WireFrame(sync, command, status, Pattern(length, 3));
}

TEST(FrameBuild, WorkedExamplesMatchTheWire) {
    EXPECT_EQ(ToHex(Build(0xAA, 0x10, 0x20, {})), "AA 10 20 00 00 DB");
    EXPECT_EQ(ToHex(Build(0xAA, 0x11, 0x00, {})), "AA 11 00 00 00 BC");
    EXPECT_EQ(ToHex(Build(0x55, 0x88, 0x00, {})), "55 88 00 00 00 DE");
    EXPECT_EQ(ToHex(Build(0xAA, 0x86, 0x00, Hex("07 E8 05 11"))), "AA 86 00 00 04 07 E8 05 11 3A");
    EXPECT_EQ(ToHex(Build(0xAA, 0x87, 0x00, Hex("07 E8 05 07 09 05 00 00 03"))),
              "AA 87 00 00 09 07 E8 05 07 09 05 00 00 03 47");
    Bytes big(1024, 0x41);
    Bytes frame = Build(0xAA, 0x88, 0xA0, big);
    ASSERT_EQ(frame.size(), 1030u);
    EXPECT_EQ(frame[3], 0x04);
    EXPECT_EQ(frame[4], 0x00);
}

TEST(FrameParse, WorkedExamplesAreAcceptedWithTheirFields) {
    FrameParser parser;
    RecordingSink sink;
    const Bytes connect = Hex("AA 10 20 00 00 DB");
    sink.lastChecksumExpected = 0xDB;
    parser.Feed(connect.data(), connect.size(), sink);
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0].sync, 0xAA);
    EXPECT_EQ(sink.frames[0].command, 0x10);
    EXPECT_EQ(sink.frames[0].status, 0x20);
    EXPECT_EQ(sink.frames[0].length, 0);

    const Bytes times = Hex("AA 86 00 00 04 07 E8 05 11 3A");
    sink.lastChecksumExpected = 0x3A;
    parser.Feed(times.data(), times.size(), sink);
    ASSERT_EQ(sink.frames.size(), 2u);
    EXPECT_EQ(ToHex(sink.frames[1].payload), "07 E8 05 11");
    EXPECT_EQ(parser.state(), FrameParser::SYNC_SEARCH);
}

TEST(FrameParse, PlainSumWithoutThePlusOneIsDroppedAndTheNextFrameStillParses) {
    FrameParser parser;
    RecordingSink sink;
    Bytes bytes = Hex("AA 10 20 00 00 DA");
    parser.Feed(bytes.data(), bytes.size(), sink);
    EXPECT_TRUE(sink.frames.empty());
    EXPECT_EQ(parser.state(), FrameParser::SYNC_SEARCH);
    bytes = Hex("55 10 00 00 00 66");
    sink.lastChecksumExpected = 0x66;
    parser.Feed(bytes.data(), bytes.size(), sink);
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0].sync, 0x55);
}

TEST(FrameParse, ChecksumComparesOnEightBits) {
    // AA + 54 + 80 + 00 + 01 + 80 = 0x1FF, so the checksum is 0x00.
    Bytes frame = Hex("AA 54 80 00 01 80");
    frame.push_back(0x00);
    FrameParser parser;
    RecordingSink sink;
    sink.lastChecksumExpected = 0x00;
    parser.Feed(frame.data(), frame.size(), sink);
    ASSERT_EQ(sink.frames.size(), 1u) << "sent " << ToHex(frame);
    EXPECT_EQ(sink.frames[0].command, 0x54);
}

TEST(FrameParse, SplitAtEveryBoundaryOrByteByByteParsesTheSame) {
    const Bytes frame = Build(0xAA, 0x88, 0xA0, Hex("41 42 43 AA 55 00 FF"));
    for (size_t cut = 0; cut <= frame.size(); ++cut) {
        FrameParser parser;
        RecordingSink sink;
        sink.lastChecksumExpected = frame.back();
        parser.Feed(frame.data(), cut, sink);
        parser.Feed(frame.data() + cut, frame.size() - cut, sink);
        ASSERT_EQ(sink.frames.size(), 1u) << "cut at " << cut;
        EXPECT_EQ(ToHex(sink.frames[0].payload), "41 42 43 AA 55 00 FF") << "cut at " << cut;
    }
    FrameParser parser;
    RecordingSink sink;
    sink.lastChecksumExpected = frame.back();
    for (uint8_t b : frame) parser.Feed(&b, 1, sink);
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0].status, 0xA0);
}

TEST(FrameParse, NoiseBeforeAndTwoFramesInOneChunkAreDispatchedInOrder) {
    Bytes stream = Hex("00 13 FE 7F 01");
    Append(stream, Build(0x55, 0x85, 0x00, {}));
    Append(stream, Build(0xAA, 0x88, 0x80, Hex("07 E8 05 07")));

    Bytes commands;
    for (const ParsedFrame& frame : ParseFrames(stream)) commands.push_back(frame.command);
    EXPECT_EQ(ToHex(commands), "85 88");
}

TEST(FrameParse, BytesOfADroppedFrameAreNotRescannedForSync) {
    // A corrupt frame whose payload holds a complete valid frame: the inner
    // frame is part of the dropped one and must not surface.
    const Bytes inner = Build(0x55, 0x10, 0x00, {});
    Bytes outer = {0xAA, 0x88, 0x20, 0x00, static_cast<uint8_t>(inner.size())};
    Append(outer, inner);
    outer.push_back(0x00);  // wrong checksum
    FrameParser parser;
    RecordingSink sink;
    parser.Feed(outer.data(), outer.size(), sink);
    EXPECT_TRUE(sink.frames.empty());
    EXPECT_EQ(parser.state(), FrameParser::SYNC_SEARCH);
}

TEST(FrameParse, FullPayloadOf1024BytesIsStoredWhole) {
    const Bytes payload = Pattern(1024);
    const Bytes frame = Build(0xAA, 0x88, 0x20, payload);
    FrameParser parser;
    RecordingSink sink;
    sink.lastChecksumExpected = frame.back();
    parser.Feed(frame.data(), frame.size(), sink);
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0].length, 1024);
    EXPECT_EQ(sink.frames[0].payload, payload);
}

TEST(FrameParse, OversizedFrameIsCountedToItsEndAndTheNextFrameIsRecognised) {
    for (uint32_t length : {1025u, 2000u, 65535u}) {
        const Bytes big = RawFrame(0xAA, 0x88, 0x20, length);
        const Bytes good = Build(0x55, 0x10, 0x00, {});
        Bytes stream = big;
        Append(stream, good);

        FrameParser parser;
        RecordingSink sink;
        sink.lastChecksumExpected = big.back();
        parser.Feed(stream.data(), big.size(), sink);
        ASSERT_EQ(sink.frames.size(), 1u) << "length " << length;
        EXPECT_EQ(sink.frames[0].length, static_cast<int32_t>(length));
        EXPECT_EQ(sink.frames[0].payload, Bytes(big.begin() + 5, big.begin() + 5 + 1024));
        sink.lastChecksumExpected = good.back();
        parser.Feed(stream.data() + big.size(), good.size(), sink);
        ASSERT_EQ(sink.frames.size(), 2u) << "length " << length;
        EXPECT_EQ(sink.frames[1].command, 0x10);
    }
}

TEST(FrameParse, EveryHeaderByteValueKeepsTheParserInStep) {
    // Sweep each header byte over 0..255 with a correct checksum: every frame
    // is accepted, and a good frame right after is never lost.
    for (int position = 1; position <= 2; ++position) {
        for (int value = 0; value < 256; ++value) {
            const uint8_t v = static_cast<uint8_t>(value);
            Bytes frame = WireFrame(0xAA, position == 1 ? v : 0x84, position == 2 ? v : 0x00, Hex("00 03"));
            Append(frame, Build(0x55, 0x11, 0x00, {}));
            EXPECT_EQ(ParseFrames(frame).size(), 2u) << "header byte " << position << " = " << value;
        }
    }
}

// A sink with room for a given number of frames, as the link's pending
// queue is.
class LimitedSink : public RecordingSink {
public:
    explicit LimitedSink(size_t room) : m_room(room) {}
    bool TakesMore() const override { return frames.size() < m_room; }

private:
    size_t m_room;
};

TEST(FrameParse, FeedStopsAfterTheFrameThatFillsTheSinkAndSaysWhatItTook) {
    // Noise, two frames, then the head of a third: the sink takes one frame.
    Bytes stream = Hex("00 01");
    for (const char* frame : {"55 10 00 00 00 66", "55 11 00 00 00 67", "AA 88 20"}) Append(stream, Hex(frame));
    FrameParser parser;
    LimitedSink full(0);
    EXPECT_EQ(parser.Feed(stream.data(), stream.size(), full), 0u) << "a full sink takes nothing";
    LimitedSink one(1);
    one.lastChecksumExpected = 0x66;
    ASSERT_EQ(parser.Feed(stream.data(), stream.size(), one), 8u);
    ASSERT_EQ(one.frames.size(), 1u);
    EXPECT_EQ(one.frames[0].command, 0x10);
    // The rest, fed later, parses on from where it stopped.
    RecordingSink rest;
    rest.lastChecksumExpected = 0x67;
    EXPECT_EQ(parser.Feed(stream.data() + 8, stream.size() - 8, rest), stream.size() - 8);
    ASSERT_EQ(rest.frames.size(), 1u);
    EXPECT_EQ(rest.frames[0].command, 0x11);
    EXPECT_EQ(parser.state(), FrameParser::LENGTH_HIGH);
}

}  // namespace
