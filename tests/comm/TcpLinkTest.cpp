#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "comm/CSerial.h"
#include "comm/CSocket.h"
#include "comm/TcpTarget.h"
#include "link/DeviceLink.h"
#include "tests/comm/ChannelReading.h"
#include "tests/comm/DialogSide.h"
#include "tests/comm/LoopbackPeer.h"
#include "tests/comm/ProcessCpuTime.h"
#include "tests/comm/ProcessThreads.h"
#include "tests/support/Frames.h"
#include "tests/support/Hex.h"
#include "link/DialogPoster.h"
#include "ui/headless/MessageQueue.h"

namespace {

using std::chrono::milliseconds;

TEST(TcpLink, ConnectRequestAndAnswerCrossTheWire) {
    LoopbackPeer peer;
    ASSERT_TRUE(peer.Listen());
    MessageQueue queue;
    const TcpTarget target{LoopbackPeer::LOOPBACK, peer.Port()};
    DeviceLink link(&target, &queue);
    ASSERT_TRUE(link.m_open);
    ASSERT_TRUE(peer.Accept(2000));

    EXPECT_EQ(link.SendFrame(SYNC_REQUEST, 0x10, 0x20, 0, nullptr), 6);
    Bytes sent(6);
    sent.resize(peer.Receive(sent.data(), sent.size(), 2000));
    EXPECT_EQ(ToHex(sent), "AA 10 20 00 00 DB");

    const Bytes answer = Hex("55 10 00 00 00 66");
    ASSERT_TRUE(peer.Send(answer.data(), answer.size()));
    PostedMessage message{};
    ASSERT_TRUE(queue.WaitTake(message, milliseconds(2000))) << "no notification came";
    EXPECT_EQ(message.message, WM_APP_DEVICE_RESPONSE);
    EXPECT_EQ(message.wParam, 0x10u);
    CommandRequest frame{};
    ASSERT_TRUE(link.TakeFrame(message.lParam, &frame));
    EXPECT_EQ(frame.command, 0x10);
    EXPECT_EQ(frame.status, 0);
    EXPECT_EQ(frame.length, 0);

    // The instrument goes away; the idle link must cost next to nothing: the
    // parser's 10 ms pass, and no receive loop spinning on a dead socket.
    EXPECT_FALSE(link.ChannelLost());
    peer.CloseConnection();
    EXPECT_TRUE(WaitUntil([&] { return link.ChannelLost(); })) << "the link did not see the connection end";
    std::this_thread::sleep_for(milliseconds(50));
    const double before = ProcessCpuMilliseconds();
    std::this_thread::sleep_for(milliseconds(2000));
    const double used = ProcessCpuMilliseconds() - before;
    std::printf("idle link after the peer closed: %.1f ms CPU in 2000 ms\n", used);
    RecordProperty("cpu_ms_idle_2000ms", static_cast<int>(used));
    EXPECT_LT(used, 400.0);

    link.Shutdown();
    EXPECT_FALSE(link.m_open);
    EXPECT_EQ(queue.Size(), 0u);
}

TEST(TcpLink, ChannelsThatCannotOpenLeaveTheLinkClosed) {
    MessageQueue queue;
    LoopbackPeer peer;
    ASSERT_TRUE(peer.Listen());
    const TcpTarget nobody{LoopbackPeer::LOOPBACK, peer.Port()};
    peer.CloseListener();
    DeviceLink overTcp(&nobody, &queue);
    EXPECT_FALSE(overTcp.m_open);
    EXPECT_EQ(overTcp.m_openCause, ChannelCause::REFUSED) << "the channel's reason is kept";
    EXPECT_FALSE(overTcp.ChannelLost()) << "never opened is not lost";

    DeviceLink overCom(250, &queue);
    EXPECT_FALSE(overCom.m_open) << "there is no COM250";
    EXPECT_EQ(overCom.m_openCause, ChannelCause::NO_DEVICE);

    const SerialPortName missing{"/nonexistent/tty"};
    DeviceLink overPath(&missing, &queue);
    EXPECT_FALSE(overPath.m_open);
    EXPECT_EQ(overPath.m_openCause, ChannelCause::NO_DEVICE);
    EXPECT_EQ(queue.Size(), 0u);
}

// Over a real TCP connection, in the dialog's cadence and in the mode that
// wakes when bytes arrive.
class TcpLinkModes : public testing::TestWithParam<DeviceLink::Parsing> {
protected:
    void SetUp() override {
        threadsBefore = SettledProcessThreadCount();
        ASSERT_TRUE(peer.Listen());
        const TcpTarget target{LoopbackPeer::LOOPBACK, peer.Port()};
        channel = new CSocket;  // the link owns it
        link = std::make_unique<DeviceLink>(channel, &target, &queue, GetParam());
        ASSERT_TRUE(link->m_open);
        ASSERT_TRUE(peer.Accept(2000));
    }

    // Shuts the link down and shows that it left no thread behind.
    void ShutdownLeavesNoThread() {
        link->Shutdown();
        EXPECT_FALSE(link->m_open);
        EXPECT_EQ(queue.Size(), 0u);
        EXPECT_EQ(ProcessThreadCount(), threadsBefore) << "a thread outlived the link";
    }

    size_t threadsBefore = 0;
    LoopbackPeer peer;
    MessageQueue queue;
    CSocket* channel = nullptr;
    std::unique_ptr<DeviceLink> link;
};

TEST_P(TcpLinkModes, APeerThatDoesNotWaitForAcknowledgementsLosesNoBlock) {
    // 200 blocks without waiting for a single acknowledgement, while the
    // dialog takes them slowly: TCP's window holds the instrument back.
    const Bytes stream = NumberedBlocks(200);
    bool sent = false;
    std::thread instrument([&] { sent = peer.Send(stream.data(), stream.size()); });
    const std::vector<int> numbers = TakeBlocks(*link, queue, 200, milliseconds(2));
    instrument.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(OrderProblem(numbers, 200), "");
    PostedMessage extra{};
    EXPECT_FALSE(queue.WaitTake(extra, milliseconds(50))) << "a notification too many";
    ShutdownLeavesNoThread();
}

TEST_P(TcpLinkModes, ShutdownWithTheQueueAndTheRingFullReturnsAndLeavesNoThread) {
    // Nothing is taken: one block posted, the pending queue filled behind
    // it, then the ring; the instrument's send blocks until the link goes.
    const Bytes stream = NumberedBlocks(200);
    std::thread instrument([&] { peer.Send(stream.data(), stream.size()); });
    auto full = [&] {
        return link->HeldFrames() == DeviceLink::PENDING_FRAMES &&
               channel->UnreadCount() == CComm::RING_SIZE - 1;
    };
    for (int i = 0; i < 5000 && !full(); ++i) std::this_thread::sleep_for(milliseconds(1));
    EXPECT_TRUE(full()) << link->HeldFrames() << " frames held, " << channel->UnreadCount()
                        << " bytes unread";
    EXPECT_EQ(queue.Size(), 1u);

    const double before = ProcessCpuMilliseconds();
    std::this_thread::sleep_for(milliseconds(500));
    const double used = ProcessCpuMilliseconds() - before;
    std::printf("link held back with a full ring: %.1f ms CPU in 500 ms\n", used);
    RecordProperty("cpu_ms_held_500ms", static_cast<int>(used));

    link->Shutdown();
    instrument.join();
    ShutdownLeavesNoThread();
}

TEST_P(TcpLinkModes, ShutdownWhileTheParserWaitsLeavesNoThread) {
    // Connected and idle: the parser waits for bytes that do not come.
    const double before = ProcessCpuMilliseconds();
    std::this_thread::sleep_for(milliseconds(1000));
    const double used = ProcessCpuMilliseconds() - before;
    std::printf("connected, idle link: %.1f ms CPU in 1000 ms\n", used);
    RecordProperty("cpu_ms_idle_1000ms", static_cast<int>(used));
    ShutdownLeavesNoThread();
}

std::string ModeName(const testing::TestParamInfo<DeviceLink::Parsing>& info) {
    return info.param == DeviceLink::PARSER_WAKES ? "Wakes" : "Paced";
}

INSTANTIATE_TEST_SUITE_P(TcpLink, TcpLinkModes,
                         testing::Values(DeviceLink::PARSER_PACED, DeviceLink::PARSER_WAKES), ModeName);

}  // namespace
