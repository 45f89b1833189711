// The frame format shared by the tool and the instrument: building a frame in
// one buffer, and the byte-at-a-time parser that cuts a received stream into
// frames.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/Protocol.h"

// One frame as the dialog prepares it for sending, and as it reads a received
// one.
struct CommandRequest {
    uint8_t command;
    uint8_t status;
    int32_t length;  // received: the wire length, 0..65535; only 1024 are stored
    uint8_t data[FRAME_PAYLOAD_MAX];
};

// A received frame in memory. `checksum` holds the parser's running sum, which
// equals the frame's checksum byte once the frame is accepted.
struct FrameImage {
    uint8_t sync;
    CommandRequest body;
    uint8_t checksum;
};

// Writes the frame into `out`, which must hold length + 6 bytes; length is at
// most 1024. Returns the number of bytes written.
size_t BuildFrame(uint8_t sync, uint8_t command, uint8_t status, uint32_t length,
                  const uint8_t* payload, uint8_t* out);

// Receives every accepted frame, before the parser looks at the next byte.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void OnFrame(const FrameImage& image) = 0;
    // False while the sink has no room for another frame: Feed then takes
    // no further byte, so the unread rest stays with the caller.
    virtual bool TakesMore() const { return true; }
};

// The seven-state parser. Its state carries over between chunks, so a frame
// may be spread over any number of Feed calls. Not thread-safe: one feeder.
class FrameParser {
public:
    enum State : uint8_t {
        SYNC_SEARCH, COMMAND, STATUS, LENGTH_HIGH, LENGTH_LOW, PAYLOAD, CHECKSUM
    };

    // Parses bytes in order until all are taken or, after an accepted frame,
    // the sink takes no more. Returns how many bytes it took.
    size_t Feed(const uint8_t* bytes, size_t count, FrameSink& sink);
    void Reset() { m_state = SYNC_SEARCH; }
    State state() const { return m_state; }

private:
    State m_state = SYNC_SEARCH;
    FrameImage m_image{};
    uint32_t m_index = 0;  // payload bytes seen, stored or not
    uint8_t m_sum = 0;
};
