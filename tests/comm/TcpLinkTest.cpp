#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "comm/CSerial.h"
#include "comm/CSocket.h"
#include "comm/TcpTarget.h"
#include "tests/comm/ChannelReading.h"
#include "tests/comm/LinkModes.h"
#include "tests/support/LoopbackPeer.h"
#include "link/DialogPoster.h"

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
    const double used = IdleCpuMilliseconds("cpu_ms_idle_2000ms", milliseconds(2000));
    std::printf("idle link after the peer closed: %.1f ms CPU in 2000 ms\n", used);
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

class TcpLinkModes : public LinkModes {
protected:
    void SetUp() override {
        ASSERT_TRUE(peer.Listen());
        const TcpTarget target{LoopbackPeer::LOOPBACK, peer.Port()};
        OpenLink(new CSocket, &target);
        ASSERT_TRUE(link->m_open);
        ASSERT_TRUE(peer.Accept(2000));
    }
    // TCP's window holds the instrument back.
    bool InstrumentSends(const Bytes& bytes, const std::atomic<bool>&) override {
        return peer.Send(bytes.data(), bytes.size());
    }
    LoopbackPeer peer;
};

TEST_P(TcpLinkModes, APeerThatDoesNotWaitForAcknowledgementsLosesNoBlock) { APeerThatDoesNotWaitLosesNoBlock(); }
TEST_P(TcpLinkModes, ShutdownWithTheQueueAndTheRingFullReturnsAndLeavesNoThread) {
    ShutdownWithTheQueueAndTheRingFullReturns();
}
TEST_P(TcpLinkModes, ShutdownWhileTheParserWaitsLeavesNoThread) { ShutdownWhileTheParserWaits(); }
INSTANTIATE_TEST_SUITE_P(TcpLink, TcpLinkModes, BothModes(), ModeName);

}  // namespace
