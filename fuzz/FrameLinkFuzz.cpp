// Received bytes through the frame parser and the link's dispatch: a polled
// DeviceLink over an in-memory channel, fed the input in chunks as the
// receive thread would (no more than the ring has room for), with every
// notified frame taken as the dialog takes it. A second, bare parser over the
// same bytes says which frames there were. Checked: every notification
// points at a busy slot of this link, and its frame is the next registered
// frame that arrived: none is lost, none overtakes another.
//
// The first input byte steers: bit 0 set leaves frames untaken until the
// link holds the bytes back (busy slots, the pending queue, a full ring);
// bits 1-7 pick the chunk size.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "link/DeviceLink.h"
#include "tests/support/MemoryChannel.h"
#include "link/DialogPoster.h"
#include "ui/headless/MessageQueue.h"

namespace {

// A frame that gets a slot and a notification.
bool Registered(uint8_t sync, uint8_t command) {
    if (sync == SYNC_REQUEST && command == CMD_SILENT_REQUEST) return false;
    const uint8_t* keys = sync == SYNC_REQUEST ? REQUEST_SLOT_KEYS : RESPONSE_SLOT_KEYS;
    const size_t count = sync == SYNC_REQUEST ? sizeof REQUEST_SLOT_KEYS : sizeof RESPONSE_SLOT_KEYS;
    for (size_t i = 0; i < count; ++i)
        if (keys[i] == command) return true;
    return false;
}

struct Arrived {
    uint8_t sync;
    CommandRequest body;
};

// The frames the bare parser accepted that the link should pass on.
class Reference : public FrameSink {
public:
    void OnFrame(const FrameImage& image) override {
        FUZZ_CHECK(image.body.length >= 0 && image.body.length <= 65535);
        if (Registered(image.sync, image.body.command)) frames.push_back(Arrived{image.sync, image.body});
    }
    std::vector<Arrived> frames;
};

bool SameFrame(const Arrived& a, uint32_t message, const CommandRequest& b) {
    const uint32_t expected = a.sync == SYNC_REQUEST ? WM_APP_DEVICE_REQUEST : WM_APP_DEVICE_RESPONSE;
    if (message != expected || a.body.command != b.command || a.body.status != b.status ||
        a.body.length != b.length)
        return false;
    const size_t stored = static_cast<size_t>(b.length) < FRAME_PAYLOAD_MAX ? static_cast<size_t>(b.length)
                                                                           : FRAME_PAYLOAD_MAX;
    return std::memcmp(a.body.data, b.data, stored) == 0;
}

class Harness {
public:
    Harness() : m_channel(new MemoryChannel(m_log)), m_link(m_channel, nullptr, &m_queue, DeviceLink::PARSER_POLLED) {
        FUZZ_CHECK(m_link.m_open);
    }

    void Receive(const uint8_t* bytes, size_t count) {
        while (count > 0) {
            const size_t taken = m_channel->ReceiveWhatFits(bytes, count);
            m_reference.Feed(bytes, taken, m_expected);
            bytes += taken;
            count -= taken;
            // A full ring that the parser cannot drain waits for the dialog.
            if (!m_link.PollOnce() && taken == 0) FUZZ_CHECK(TakeAll());
        }
    }

    // Takes every queued notification; false when there was none.
    bool TakeAll() {
        bool took = false;
        PostedMessage message{};
        while (m_queue.TryTake(message)) {
            took = true;
            CommandRequest frame;
            FUZZ_CHECK(m_link.TakeFrame(message.lParam, &frame));
            FUZZ_CHECK(!m_link.TakeFrame(message.lParam, &frame));  // the slot is free again
            FUZZ_CHECK(message.wParam == frame.command);
            FUZZ_CHECK(m_next < m_expected.frames.size());
            FUZZ_CHECK(SameFrame(m_expected.frames[m_next], message.message, frame));
            ++m_next;
            ++m_taken;
        }
        return took;
    }

    void Finish() {
        // Whatever waits in the pending queue comes out as slots free up.
        for (int round = 0; round < 4096; ++round) {
            const bool took = TakeAll();
            if (!m_link.PollOnce() && !took) break;
        }
        TakeAll();
        FUZZ_CHECK(m_taken == m_expected.frames.size());
        CommandRequest frame;
        FUZZ_CHECK(!m_link.TakeFrame(0, &frame));
        m_link.Shutdown();
        FUZZ_CHECK(m_queue.Size() == 0);
    }

private:
    MemoryChannel::Log m_log;
    MemoryChannel* m_channel;  // owned by the link
    MessageQueue m_queue;
    DeviceLink m_link;
    FrameParser m_reference;
    Reference m_expected;
    size_t m_next = 0;
    size_t m_taken = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool leaveFrames = data[0] & 1;
    // Chunks of 1 to 4095 bytes, taken as the ring has room.
    static const size_t CHUNKS[] = {1, 2, 3, 5, 7, 16, 64, 255, 1029, 1030, 1031, 4095};
    const size_t chunk = CHUNKS[(data[0] >> 1) % (sizeof CHUNKS / sizeof CHUNKS[0])];
    Harness harness;
    for (size_t at = 1; at < size; at += chunk) {
        const size_t count = size - at < chunk ? size - at : chunk;
        harness.Receive(data + at, count);
        if (!leaveFrames) harness.TakeAll();
    }
    harness.Finish();
    return 0;
}
