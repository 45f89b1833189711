#include "link/Frame.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/Hex.h"
#include "tests/support/Frames.h"

namespace {

Bytes Build(uint8_t sync, uint8_t command, uint8_t status, const Bytes& payload) {
    Bytes out(payload.size() + FRAME_OVERHEAD);
    const size_t size = BuildFrame(sync, command, status, static_cast<uint32_t>(payload.size()),
                                   payload.data(), out.data());
    EXPECT_EQ(size, out.size());
    return out;
}

// Sync, command, status and checksum of each frame, as hex.
std::string Headers(const std::vector<ParsedFrame>& frames) {
    std::string out;
    for (const ParsedFrame& f : frames)
        out += (out.empty() ? "" : "; ") + ToHex(Bytes{f.sync, f.command, f.status, f.checksum});
    return out;
}

TEST(Frame, WorkedExamplesBuildToTheWireAndParseBackWithTheirFields) {
    // The wire's first bytes are given for the full payloads.
    const struct {
        uint8_t sync, command, status;
        Bytes payload;
        std::string wire;
    } examples[] = {
        {0xAA, 0x10, 0x20, {}, "AA 10 20 00 00 DB"},
        {0xAA, 0x11, 0x00, {}, "AA 11 00 00 00 BC"},
        {0x55, 0x88, 0x00, {}, "55 88 00 00 00 DE"},
        {0xAA, 0x86, 0x00, Hex("07 E8 05 11"), "AA 86 00 00 04 07 E8 05 11 3A"},
        {0xAA, 0x87, 0x00, Hex("07 E8 05 07 09 05 00 00 03"), "AA 87 00 00 09 07 E8 05 07 09 05 00 00 03 47"},
        {0xAA, 0x88, 0xA0, Bytes(1024, 0x41), "AA 88 A0 04 00 41"},
        {0xAA, 0x88, 0x20, Pattern(1024), "AA 88 20 04 00 00 01"},
    };
    for (const auto& e : examples) {
        SCOPED_TRACE(e.wire);
        const Bytes frame = Build(e.sync, e.command, e.status, e.payload);
        ASSERT_EQ(frame.size(), e.payload.size() + FRAME_OVERHEAD);
        EXPECT_EQ(ToHex(frame).substr(0, e.wire.size()), e.wire);
        FrameParser parser;
        FrameCollector sink;
        parser.Feed(frame.data(), frame.size(), sink);
        ASSERT_EQ(sink.frames.size(), 1u);
        const ParsedFrame& f = sink.frames[0];
        EXPECT_EQ(Headers(sink.frames), ToHex(Bytes{e.sync, e.command, e.status, frame.back()}));
        EXPECT_EQ(f.length, static_cast<int32_t>(e.payload.size()));
        EXPECT_EQ(f.payload, e.payload) << "stored whole";
        EXPECT_EQ(parser.state(), FrameParser::SYNC_SEARCH);
    }
}

TEST(FrameParse, StreamsGiveTheirGoodFramesAndDropTheRestWhole) {
    // A corrupt frame whose payload holds a complete valid frame: the inner
    // frame is part of the dropped one and must not surface.
    const Bytes inner = Build(0x55, 0x10, 0x00, {});
    Bytes outer = {0xAA, 0x88, 0x20, 0x00, static_cast<uint8_t>(inner.size())};
    Append(outer, inner);
    outer.push_back(0x00);  // wrong checksum
    Bytes noisy = Hex("00 13 FE 7F 01");
    Append(noisy, Build(0x55, 0x85, 0x00, {}));
    Append(noisy, Build(0xAA, 0x88, 0x80, Hex("07 E8 05 07")));
    const struct {
        const char* name;
        Bytes stream;
        std::string headers;
    } streams[] = {
        {"a plain sum without the plus one", Hex("AA 10 20 00 00 DA"), ""},
        {"the frame after a plain sum", Hex("AA 10 20 00 00 DA 55 10 00 00 00 66"), "55 10 00 66"},
        // AA + 54 + 80 + 00 + 01 + 80 = 0x1FF, so the checksum is 0x00.
        {"a checksum compared on eight bits", Hex("AA 54 80 00 01 80 00"), "AA 54 80 00"},
        {"noise before two frames in one chunk", noisy, "55 85 00 DB; AA 88 80 B2"},
        {"a dropped frame's bytes not scanned again", outer, ""},
    };
    for (const auto& s : streams) {
        SCOPED_TRACE(s.name);
        FrameParser parser;
        FrameCollector sink;
        parser.Feed(s.stream.data(), s.stream.size(), sink);
        EXPECT_EQ(Headers(sink.frames), s.headers) << "sent " << ToHex(s.stream);
        EXPECT_EQ(parser.state(), FrameParser::SYNC_SEARCH);
    }
}

TEST(FrameParse, SplitAtEveryBoundaryOrByteByByteParsesTheSame) {
    const Bytes frame = Build(0xAA, 0x88, 0xA0, Hex("41 42 43 AA 55 00 FF"));
    // One cut past the end stands for byte by byte.
    for (size_t cut = 0; cut <= frame.size() + 1; ++cut) {
        FrameParser parser;
        FrameCollector sink;
        if (cut <= frame.size()) {
            parser.Feed(frame.data(), cut, sink);
            parser.Feed(frame.data() + cut, frame.size() - cut, sink);
        } else {
            for (uint8_t b : frame) parser.Feed(&b, 1, sink);
        }
        ASSERT_EQ(sink.frames.size(), 1u) << "cut at " << cut;
        EXPECT_EQ(Headers(sink.frames), "AA 88 A0 " + ToHex(&frame.back(), 1)) << "cut at " << cut;
        EXPECT_EQ(ToHex(sink.frames[0].payload), "41 42 43 AA 55 00 FF") << "cut at " << cut;
    }
}

TEST(FrameParse, OversizedFrameIsCountedToItsEndAndTheNextFrameIsRecognised) {
    for (uint32_t length : {1025u, 2000u, 65535u}) {
        const Bytes big = WireFrame(0xAA, 0x88, 0x20, Pattern(length, 3));
        Bytes stream = big;
        Append(stream, Hex("55 10 00 00 00 66"));

        FrameParser parser;
        FrameCollector sink;
        parser.Feed(stream.data(), big.size(), sink);
        ASSERT_EQ(sink.frames.size(), 1u) << "length " << length;
        EXPECT_EQ(sink.frames[0].length, static_cast<int32_t>(length));
        EXPECT_EQ(sink.frames[0].checksum, big.back());
        EXPECT_EQ(sink.frames[0].payload, Bytes(big.begin() + 5, big.begin() + 5 + 1024));
        parser.Feed(stream.data() + big.size(), stream.size() - big.size(), sink);
        sink.frames.erase(sink.frames.begin());
        EXPECT_EQ(Headers(sink.frames), "55 10 00 66") << "length " << length;
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
class LimitedSink : public FrameCollector {
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
    ASSERT_EQ(parser.Feed(stream.data(), stream.size(), one), 8u);
    EXPECT_EQ(Headers(one.frames), "55 10 00 66");
    // The rest, fed later, parses on from where it stopped.
    FrameCollector rest;
    EXPECT_EQ(parser.Feed(stream.data() + 8, stream.size() - 8, rest), stream.size() - 8);
    EXPECT_EQ(Headers(rest.frames), "55 11 00 67");
    EXPECT_EQ(parser.state(), FrameParser::LENGTH_HIGH);
}

}  // namespace
