#include "link/DeviceLink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "tests/support/Frames.h"
#include "tests/support/Hex.h"
#include "tests/support/MemoryChannel.h"
#include "link/DialogPoster.h"
#include "ui/controls/DialogMessages.h"
#include "ui/headless/MessageQueue.h"

namespace {

using std::chrono::milliseconds;

// A link over a memory channel, with the queue it posts to.
struct MemoryLink {
    explicit MemoryLink(DeviceLink::Parsing parsing = DeviceLink::PARSER_PACED)
        : channel(new MemoryChannel(log)), link(channel, nullptr, &queue, parsing) {}
    // Takes the next notification as the dialog does: the frame's block
    // number, or -2 when there was none and -3 when its slot was not busy.
    int TakeBlock() {
        PostedMessage message{};
        if (!queue.TryTake(message)) return -2;
        CommandRequest frame{};
        if (message.message != WM_APP_DEVICE_REQUEST || !link.TakeFrame(message.lParam, &frame)) return -3;
        return BlockNumber(frame);
    }
    MemoryChannel::Log log;
    MessageQueue queue;
    MemoryChannel* channel;
    DeviceLink link;
};

class DeviceLinkTest : public ::testing::Test, public MemoryLink {
protected:
    void SetUp() override { ASSERT_TRUE(link.m_open); }

    PostedMessage Next() {
        PostedMessage message{};
        EXPECT_TRUE(queue.WaitTake(message, milliseconds(2000))) << "no notification came";
        return message;
    }

    // Long enough for several parser passes; used only to show that nothing
    // more arrives.
    bool NothingWithin(milliseconds wait = milliseconds(60)) {
        PostedMessage message{};
        return !queue.WaitTake(message, wait);
    }

    static const CommandRequest& Body(const PostedMessage& message) {
        return *reinterpret_cast<const CommandRequest*>(message.lParam);
    }
};

TEST_F(DeviceLinkTest, TablesHoldTheKeysInRegistrationOrder) {
    EXPECT_EQ(ToHex(link.ResponseKeys()),
              "10 11 B0 B1 B2 B4 B5 B6 C1 C2 C6 D0 80 81 82 83 84 85 86 87");
    EXPECT_EQ(ToHex(link.RequestKeys()), "B7 B8 B9 88");
    // Each slot starts free, with an all-zero image.
    for (const auto& table : {link.ResponseSlots(), link.RequestSlots()}) {
        for (const ResponseSlot& slot : table) {
            const FrameImage& image = slot.image;
            const uint8_t* data = image.body.data;
            EXPECT_FALSE(slot.busy) << "key " << int{slot.key};
            EXPECT_EQ(image.sync | image.body.command | image.body.status | image.checksum, 0);
            EXPECT_EQ(image.body.length, 0);
            EXPECT_TRUE(std::all_of(data, data + FRAME_PAYLOAD_MAX, [](uint8_t b) { return b == 0; }))
                << "key " << int{slot.key};
        }
    }
}

TEST_F(DeviceLinkTest, EachFrameIsPostedWithItsKindKeyAndSlot) {
    // Command, status and data: in the slot, then in the copy taken from it.
    const auto fields = [](const CommandRequest& r) {
        return ToHex(Bytes{r.command, r.status}) + " / " + ToHex(r.data, static_cast<size_t>(r.length));
    };
    const struct {
        const char* wire;
        uint32_t kind;
        uint8_t key;
        const char* fields;
    } frames[] = {
        {"55 10 00 00 00 66", WM_APP_DEVICE_RESPONSE, 0x10, "10 00 / "},
        {"AA 88 A0 00 02 41 42 58", WM_APP_DEVICE_REQUEST, 0x88, "88 A0 / 41 42"},
    };
    for (const auto& f : frames) {
        SCOPED_TRACE(f.wire);
        channel->Receive(Hex(f.wire));
        const PostedMessage message = Next();
        EXPECT_EQ(message.message, f.kind);
        EXPECT_EQ(message.wParam, f.key);
        EXPECT_EQ(fields(Body(message)), f.fields);
        CommandRequest copy{};
        ASSERT_TRUE(link.TakeFrame(message.lParam, &copy));
        EXPECT_EQ(fields(copy), f.fields);
        EXPECT_FALSE(link.TakeFrame(message.lParam, &copy)) << "a slot is taken once";
    }
}

TEST_F(DeviceLinkTest, EachKeyKeepsItsSlotAndKindsStayApart) {
    channel->Receive(Hex("55 10 00 00 00 66"));
    const PostedMessage first = Next();
    ASSERT_TRUE(link.TakeFrame(first.lParam, nullptr));
    channel->Receive(Hex("55 10 05 00 00 6B"));
    const PostedMessage second = Next();
    EXPECT_EQ(second.lParam, first.lParam) << "same key, same slot for the link's life";
    EXPECT_EQ(Body(second).status, 5);
    ASSERT_TRUE(link.TakeFrame(second.lParam, nullptr));

    // A request frame 0x10 has no slot among the requests: it must neither be
    // posted nor touch the response slot of 0x10.
    channel->Receive(Hex("AA 10 07 00 00 C2"));
    channel->Receive(Hex("AA 88 00 00 00 33"));
    const PostedMessage block = Next();
    EXPECT_EQ(block.message, WM_APP_DEVICE_REQUEST);
    EXPECT_EQ(block.wParam, 0x88u);
    EXPECT_NE(block.lParam, first.lParam);
    EXPECT_EQ(Body(first).status, 5);
}

TEST_F(DeviceLinkTest, SilentAndUnregisteredCommandsAreConsumedWithoutNotice) {
    channel->Receive(Hex("AA B9 00 00 00 64"    // has a slot, never passed on
                         " 55 42 00 00 00 98"   // no slot at all
                         " 55 11 00 00 00 67"));  // a marker after them
    const PostedMessage message = Next();
    EXPECT_EQ(message.wParam, 0x11u) << "first notification must be the frame after them";
    EXPECT_TRUE(NothingWithin());
}

TEST_F(DeviceLinkTest, ABusySlotHoldsTheNextFramesBackInArrivalOrder) {
    // Two data blocks and a reply, all at once: the second block must not
    // overwrite the first under its reader, and the reply must not overtake it.
    channel->Receive(Hex("AA 88 20 00 01 01 55"));
    channel->Receive(Hex("AA 88 20 00 01 02 56"));
    channel->Receive(Hex("55 85 00 00 00 DB"));
    const PostedMessage first = Next();
    EXPECT_EQ(first.wParam, 0x88u);
    EXPECT_TRUE(NothingWithin()) << "second frame posted while the first is unread";
    EXPECT_EQ(Body(first).data[0], 0x01) << "first frame changed under its reader";

    ASSERT_TRUE(link.TakeFrame(first.lParam, nullptr));
    const PostedMessage second = Next();
    EXPECT_EQ(second.wParam, 0x88u);
    EXPECT_EQ(second.lParam, first.lParam);
    EXPECT_EQ(Body(second).data[0], 0x02);
    ASSERT_TRUE(link.TakeFrame(second.lParam, nullptr));
    EXPECT_EQ(Next().wParam, 0x85u);
}

TEST_F(DeviceLinkTest, SendFrameWritesOneBuffer) {
    link.SendFrame(SYNC_REQUEST, 0x10, 0x20, 0, nullptr);
    Bytes payload(1024, 0x5A);
    link.SendFrame(SYNC_REQUEST, 0x88, 0x00, 1024, payload.data());
    std::lock_guard<std::mutex> lock(log.mutex);
    ASSERT_EQ(log.writes.size(), 2u);
    EXPECT_EQ(ToHex(log.writes[0]), "AA 10 20 00 00 DB");
    EXPECT_EQ(log.writes[1].size(), 1030u);
}

TEST_F(DeviceLinkTest, ShutdownDropsNotificationsStillQueued) {
    channel->Receive(Hex("55 10 00 00 00 66"));
    while (queue.Size() == 0) std::this_thread::sleep_for(milliseconds(1));
    queue.PostDialogMessage(WM_APP_SEND_REQUEST, 0, 0);
    PostedMessage late{};
    link.Shutdown();
    EXPECT_EQ(log.closes, 1);
    EXPECT_TRUE(log.destroyed);
    ASSERT_TRUE(queue.TryTake(late));
    EXPECT_EQ(late.message, WM_APP_SEND_REQUEST) << "only the link's own messages go";
    EXPECT_FALSE(queue.TryTake(late));
    EXPECT_FALSE(link.m_open);
    EXPECT_TRUE(link.ResponseKeys().empty());
}

TEST_F(DeviceLinkTest, AFrameTakenWithAnotherLinksPointerIsRefused) {
    channel->Receive(Hex("55 10 00 00 00 66"));
    const PostedMessage message = Next();
    MemoryLink other;
    CommandRequest copy{};
    EXPECT_FALSE(other.link.TakeFrame(message.lParam, &copy));
    EXPECT_TRUE(link.TakeFrame(message.lParam, &copy));
}

TEST(DeviceLinkClosed, FailedOpenLeavesTheLinkClosed) {
    MemoryChannel::Log log;
    log.opens = false;
    MessageQueue queue;
    DeviceLink link(new MemoryChannel(log), nullptr, &queue);
    EXPECT_FALSE(link.m_open);
    EXPECT_TRUE(log.destroyed);
    EXPECT_EQ(log.closes, 0);
    EXPECT_TRUE(link.ResponseKeys().empty());
    link.Shutdown();
    link.Shutdown();
    EXPECT_EQ(queue.Size(), 0u);
}

Bytes Block(uint8_t first) { return WireFrame(SYNC_REQUEST, 0x88, 0x20, {first}); }

TEST(DeviceLinkPending, FramesWithoutASlotTakeNoRoomFromWaitingOnes) {
    MemoryLink m(DeviceLink::PARSER_POLLED);
    // One block posted and left unread, fifteen behind it, then a frame no
    // slot takes, then one more block: the pending queue has room for that
    // block, and nothing is lost.
    Bytes stream;
    for (uint8_t i = 0; i < DeviceLink::PENDING_FRAMES; ++i) Append(stream, Block(i));
    Append(stream, Hex("55 42 00 00 00 98"));
    Append(stream, Block(DeviceLink::PENDING_FRAMES));
    m.channel->Receive(stream);
    m.link.PollOnce();

    std::vector<int> firsts;
    PostedMessage message{};
    for (int round = 0; round < 100 && firsts.size() <= DeviceLink::PENDING_FRAMES; ++round) {
        while (m.queue.TryTake(message)) {
            CommandRequest frame{};
            ASSERT_TRUE(m.link.TakeFrame(message.lParam, &frame));
            firsts.push_back(frame.data[0]);
        }
        m.link.PollOnce();
    }
    ASSERT_EQ(firsts.size(), DeviceLink::PENDING_FRAMES + 1) << "a block was lost";
    for (size_t i = 0; i < firsts.size(); ++i) EXPECT_EQ(firsts[i], static_cast<int>(i)) << "block " << i;
}

TEST(DeviceLinkPending, APeerThatDoesNotWaitIsHeldBackAndLosesNoBlock) {
    MemoryLink m(DeviceLink::PARSER_POLLED);
    // 200 blocks pushed as fast as the ring takes them, while the dialog
    // takes a frame only every third pass.
    const Bytes stream = NumberedBlocks(200);
    size_t offered = 0;
    bool ringFilled = false;
    std::vector<int> numbers;
    for (int pass = 0; pass < 5000 && numbers.size() < 200; ++pass) {
        offered += m.channel->ReceiveWhatFits(stream.data() + offered, stream.size() - offered);
        ringFilled = ringFilled || m.channel->UnreadCount() == CComm::RING_SIZE - 1;
        m.link.PollOnce();
        if (pass % 3 == 2) {
            const int number = m.TakeBlock();
            if (number != -2) numbers.push_back(number);
        }
    }
    EXPECT_TRUE(ringFilled) << "the peer was never held back";
    EXPECT_EQ(offered, stream.size());
    EXPECT_EQ(OrderProblem(numbers, 200), "");
    m.link.PollOnce();
    EXPECT_EQ(m.queue.Size(), 0u) << "a notification too many";
}

TEST(DeviceLinkPending, ShutdownWithTheQueueAndTheRingFullReturns) {
    for (DeviceLink::Parsing parsing : {DeviceLink::PARSER_PACED, DeviceLink::PARSER_WAKES}) {
        MemoryLink m(parsing);
        const Bytes stream = NumberedBlocks(40);
        size_t offered = 0;
        // Nothing is taken: one block posted, the queue filled behind it,
        // then the ring.
        auto full = [&] {
            return m.link.HeldFrames() == DeviceLink::PENDING_FRAMES &&
                   m.channel->UnreadCount() == CComm::RING_SIZE - 1;
        };
        for (int round = 0; round < 2000 && !full(); ++round) {
            offered += m.channel->ReceiveWhatFits(stream.data() + offered, stream.size() - offered);
            std::this_thread::sleep_for(milliseconds(1));
        }
        ASSERT_TRUE(full()) << m.link.HeldFrames() << " frames held, " << m.channel->UnreadCount()
                            << " bytes unread";
        EXPECT_EQ(offered, (DeviceLink::PENDING_FRAMES + 1) * NumberedBlock(0).size() + CComm::RING_SIZE - 1);
        EXPECT_EQ(m.queue.Size(), 1u);
        m.link.Shutdown();
        EXPECT_EQ(m.log.closes, 1);
        EXPECT_TRUE(m.log.destroyed);
        EXPECT_EQ(m.queue.Size(), 0u);
    }
}

}  // namespace
