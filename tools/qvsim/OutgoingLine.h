// The instrument's outgoing line: frames queued by the protocol engine,
// spoilt as the fault switches say (left out, wrong checksum, noise between
// them, the line closing after so many frames) and handed to the transport
// in pieces and at a pace that stand for a real line. One fixed ring; no
// allocation; time comes from the caller.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/Frame.h"
#include "tools/qvsim/Random.h"

namespace qvsim {

class FrameLog;

struct FaultConfig {
    uint32_t dropEvery = 0;     // every Nth frame is left out; 0: none
    uint32_t corruptEvery = 0;  // every Nth frame goes out with a wrong checksum; 0: none
    bool noise = false;         // random bytes, never a sync byte, before each frame
    bool split = false;         // frames written in small random pieces, now and then a pause
    int32_t closeAfter = -1;    // the line closes once this many frames went out; -1: never
    uint32_t baud = 0;          // output paced at 10 bits a byte; 0: as fast as it is taken
    uint64_t seed = 1;
};

constexpr int64_t NO_DEADLINE = INT64_MAX;

// Where the line's bytes go: a socket or a serial device, or a test's buffer.
class ByteOutput {
public:
    virtual ~ByteOutput() = default;
    // Takes up to `size` bytes and says how many it took; fewer means the
    // transport is full for now.
    virtual size_t Write(const uint8_t* data, size_t size) = 0;
};

class OutgoingLine {
public:
    static constexpr size_t CAPACITY = 8192;  // bytes; a power of two
    static constexpr size_t MAX_FRAMES = 32;
    static constexpr size_t NOISE_MAX = 8;
    static constexpr uint32_t PIECE_MAX = 8;
    static constexpr int64_t PAUSE_MAX_US = 2000;
    static constexpr uint32_t PAUSE_ODDS = 8;  // one piece in this many is followed by a pause

    // `log` may be null; it must outlive the line.
    OutgoingLine(const FaultConfig& config, FrameLog* log);

    // A new peer: whatever was not written is gone, the counts start again.
    void Reset();
    // A fresh conversation on the same line: unsent whole frames are dropped
    // (the one being written is finished, so the peer's parser stays in
    // step), the frame count starts again and a closed line opens again.
    void Restart();

    // Room for `frames` more frames of the largest size, with their noise.
    bool HasRoom(size_t frames) const;
    // Queues one whole frame, or leaves it out or spoils it as the switches
    // say. Ignored once the line has closed.
    void Queue(const uint8_t* frame, size_t size, int64_t now);
    // Writes every byte that is due by `now`, until the output takes fewer.
    void Pump(int64_t now, ByteOutput& out);
    // When Pump will next have a byte to write; NO_DEADLINE when empty.
    int64_t NextDeadline() const;

    bool Empty() const { return m_head == m_tail; }
    bool Closed() const { return m_closed; }

private:
    void Put(const uint8_t* bytes, size_t size);
    int64_t ByteTime(uint64_t index) const;  // when paced byte `index` may leave

    FaultConfig m_config;
    FrameLog* m_log;
    Random m_random;

    uint8_t m_ring[CAPACITY];
    uint64_t m_head = 0;  // next byte to write
    uint64_t m_tail = 0;  // next free byte
    uint64_t m_frameEnds[MAX_FRAMES];  // ends of queued frames, oldest first
    size_t m_firstEnd = 0;
    size_t m_endCount = 0;
    uint64_t m_lastEnd = 0;  // where the frame being written began

    uint32_t m_framesSeen = 0;    // frames offered, left out or not
    uint32_t m_framesQueued = 0;  // frames that went into the ring
    bool m_closed = false;

    uint32_t m_pieceLeft = 0;  // --split: bytes left of the current piece
    int64_t m_resumeAt = 0;    // --split: end of the pause after a piece
    int64_t m_paceOrigin = 0;  // --baud: when the current burst began
    uint64_t m_paceBytes = 0;  // --baud: bytes written since then
};

}  // namespace qvsim
