// Frames as the wire carries them, checksum included, built and cut apart
// again by the tool's own parser; and numbered data blocks for tests that
// stream many of them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "link/ByteOrder.h"
#include "link/Frame.h"
#include "tests/support/Hex.h"

// Any payload length up to the 65535 the length field holds (more than a
// frame may carry, for instruments that misbehave).
inline Bytes WireFrame(uint8_t sync, uint8_t command, uint8_t status, const Bytes& payload = {}) {
    Bytes out;
    out.reserve(payload.size() + FRAME_OVERHEAD);
    uint8_t length[2];
    WriteBig16(length, static_cast<uint32_t>(payload.size()));
    for (uint8_t b : {sync, command, status, length[0], length[1]}) out.push_back(b);
    for (uint8_t b : payload) out.push_back(b);
    uint8_t sum = 0;
    for (uint8_t b : out) sum = static_cast<uint8_t>(sum + b);
    out.push_back(static_cast<uint8_t>(sum + 1));
    return out;
}

// Numbers as payloads carry them, big-endian.
inline Bytes Big16(uint32_t value) {
    Bytes out(2);
    WriteBig16(out.data(), value);
    return out;
}
inline Bytes Big32(uint32_t value) {
    Bytes out(4);
    WriteBig32(out.data(), value);
    return out;
}

// A frame as the tool's parser accepted it: the length from the wire, the
// payload bytes it stored (at most 1024) and the checksum.
struct ParsedFrame {
    uint8_t sync, command, status;
    int32_t length;
    Bytes payload;
    uint8_t checksum;
};

// Keeps every frame the parser accepts.
class FrameCollector : public FrameSink {
public:
    void OnFrame(const FrameImage& image) override {
        const int32_t stored = std::min<int32_t>(image.body.length, FRAME_PAYLOAD_MAX);
        frames.push_back(ParsedFrame{image.sync, image.body.command, image.body.status, image.body.length,
                                     Bytes(image.body.data, image.body.data + stored), image.checksum});
    }
    std::vector<ParsedFrame> frames;
};

inline std::vector<ParsedFrame> ParseFrames(const Bytes& bytes) {
    FrameCollector sink;
    FrameParser parser;
    parser.Feed(bytes.data(), bytes.size(), sink);
    return sink.frames;
}

// `size` bytes of a pattern offset by `seed`, whose period (251) divides no
// ring or block size, so a byte lost or repeated, or a file mixed with
// another, shows.
inline Bytes Pattern(size_t size, uint8_t seed = 0) {
    Bytes out(size);
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>((seed + i) % 251u);
    return out;
}

// The payload byte at `index` of numbered block `number`: the number,
// big-endian, then a pattern that differs from block to block, so a block
// lost, repeated or mixed with another shows.
inline uint8_t NumberedBlockByte(uint16_t number, size_t index) {
    if (index < 2) {
        uint8_t big[2];
        WriteBig16(big, number);
        return big[index];
    }
    return static_cast<uint8_t>((number * 7u + index) % 251u);
}

// Data block `number`: command 0x88, a file's block (status 0x20), a full
// 1024-byte payload.
inline Bytes NumberedBlock(uint16_t number) {
    Bytes payload(FRAME_PAYLOAD_MAX);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = NumberedBlockByte(number, i);
    return WireFrame(SYNC_REQUEST, 0x88, 0x20, payload);
}

// Blocks 0 to count - 1, back to back.
inline Bytes NumberedBlocks(uint16_t count) {
    Bytes stream;
    for (uint16_t n = 0; n < count; ++n) Append(stream, NumberedBlock(n));
    return stream;
}

// The number of the numbered block in `frame`, or -1 when the frame is not
// such a block or its payload is spoilt.
inline int BlockNumber(const CommandRequest& frame) {
    if (frame.command != 0x88 || frame.length != static_cast<int32_t>(FRAME_PAYLOAD_MAX)) return -1;
    const uint16_t number = ReadBig16(frame.data);
    for (size_t i = 2; i < FRAME_PAYLOAD_MAX; ++i)
        if (frame.data[i] != NumberedBlockByte(number, i)) return -1;
    return number;
}

// What is wrong with `numbers` as the blocks 0 to count - 1, each once, in
// order; empty when nothing is.
inline std::string OrderProblem(const std::vector<int>& numbers, size_t count) {
    for (size_t i = 0; i < numbers.size() && i < count; ++i) {
        if (numbers[i] != static_cast<int>(i))
            return "block " + std::to_string(numbers[i]) + " came where block " + std::to_string(i) +
                   " belonged";
    }
    if (numbers.size() != count)
        return std::to_string(numbers.size()) + " blocks came, not " + std::to_string(count);
    return "";
}
