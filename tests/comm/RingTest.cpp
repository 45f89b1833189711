#include "comm/CComm.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "tests/support/Frames.h"

namespace {

// Appends as a receive loop would.
class RingChannel : public CComm {
public:
    void Append(const std::vector<uint8_t>& bytes) {
        AppendToRing(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    std::vector<uint8_t> ReadAll() {
        std::vector<uint8_t> out(RING_SIZE);
        out.resize(Read(out.data()));
        return out;
    }
};

TEST(Ring, EmptyRingReadsNothing) {
    RingChannel ring;
    EXPECT_TRUE(ring.ReadAll().empty());
    ring.Append({1, 2, 3});
    EXPECT_EQ(ring.ReadAll(), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_TRUE(ring.ReadAll().empty());
}

TEST(Ring, PeekAndReadWrapAtTheEndOfTheRing) {
    RingChannel ring;
    ring.Append(std::vector<uint8_t>(4090, 0xEE));  // positions to 4090
    ASSERT_EQ(ring.ReadAll().size(), 4090u);
    ring.Append(Pattern(10, 1));  // 6 at the end, 4 at the start
    std::vector<uint8_t> seen(CComm::RING_SIZE);
    seen.resize(ring.Peek(seen.data()));
    EXPECT_EQ(seen, Pattern(10, 1));
    ring.Consume(4);
    EXPECT_EQ(ring.UnreadCount(), 6u);
    EXPECT_EQ(ring.ReadAll(), Pattern(6, 5)) << "the bytes after the consumed ones, once";
    ring.Consume(1);
    EXPECT_EQ(ring.UnreadCount(), 0u) << "consuming more than is unread takes nothing extra";
    // The positions now stand at 4: a further append lands right behind.
    ring.Append({0x77});
    EXPECT_EQ(ring.ReadAll(), std::vector<uint8_t>{0x77});
    // Every byte appended counts, read or not: the driver's sign of a line
    // that moves without making a frame.
    EXPECT_EQ(ring.ReceivedCount(), 4090u + 10u + 1u);
}

TEST(Ring, HoldsAtMost4095UnreadBytes) {
    RingChannel ring;
    ring.Append(Pattern(3000, 0));
    ring.Append(Pattern(1095, 0x40));
    Bytes expected = Pattern(3000, 0);
    Append(expected, Pattern(1095, 0x40));
    EXPECT_EQ(ring.ReadAll(), expected);

    // Exactly 4096 unread bytes read as none: the oldest were overwritten.
    ring.Append(Pattern(4096, 0));
    EXPECT_TRUE(ring.ReadAll().empty());

    // One more than 4095 wraps the count: one byte is readable.
    ring.Append(Pattern(4095, 0));
    ring.Append({0xAB, 0xCD});
    EXPECT_EQ(ring.ReadAll().size(), 1u);
}

TEST(Ring, AnAppendOrAWakeEndsTheReadersWait) {
    // Waits of an hour: a wait that misses its signal hangs the test.
    const auto hour = std::chrono::milliseconds(3600000);
    RingChannel ring;
    ring.Append({1});
    ring.WaitForAppend(hour);  // the append came first: not lost
    std::thread woken([&] { ring.WaitForAppend(hour); });
    ring.WakeReader();
    woken.join();
    std::thread reader([&] { ring.WaitForAppend(hour); });
    ring.Append({2});
    reader.join();
    EXPECT_EQ(ring.ReadAll(), (std::vector<uint8_t>{1, 2}));
}

TEST(Ring, AWakeIsTakenByOneWait) {
    WakeSignal signal;
    signal.Raise();
    signal.Raise();
    EXPECT_TRUE(signal.Wait(std::chrono::milliseconds(3600000)));
    EXPECT_FALSE(signal.Wait(std::chrono::milliseconds(1)));
}

}  // namespace
