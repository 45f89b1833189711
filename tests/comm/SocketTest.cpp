#include "comm/CSocket.h"
#include "comm/SendWhole.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "tests/comm/ChannelReading.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/Hex.h"

namespace {

using std::chrono::milliseconds;

constexpr int ACCEPT_MS = 2000;

class SocketTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(peer.Listen()); }
    void TearDown() override { channel.Close(); }

    void Connect() {
        const TcpTarget target{LoopbackPeer::LOOPBACK, peer.Port()};
        ASSERT_TRUE(channel.Open(&target));
        ASSERT_TRUE(peer.Accept(ACCEPT_MS));
    }

    Bytes PeerReceives(size_t count, int timeoutMs = 2000) {
        Bytes out(count);
        out.resize(peer.Receive(out.data(), count, timeoutMs));
        return out;
    }

    LoopbackPeer peer;
    CSocket channel;
};

TEST_F(SocketTest, ConnectsToTheAddressAndTheLowSixteenBitsOfThePort) {
    Connect();
    EXPECT_NE(channel.SocketHandle(), -1);
    EXPECT_FALSE(SendsAtOnce(channel.SocketHandle())) << "the dialog's socket is the system's";
    channel.Close();
    EXPECT_EQ(channel.SocketHandle(), -1);

    CSocket wrapped;
    const TcpTarget beyond{LoopbackPeer::LOOPBACK, 65536 + peer.Port()};
    wrapped.SetSendAtOnce(true);
    ASSERT_TRUE(wrapped.Open(&beyond)) << "port " << beyond.port << " must reach " << peer.Port();
    EXPECT_TRUE(peer.Accept(ACCEPT_MS));
    EXPECT_TRUE(SendsAtOnce(wrapped.SocketHandle()));
    wrapped.Close();
}

TEST_F(SocketTest, NothingListeningFailsAndLeavesNoSocket) {
    const TcpTarget target{LoopbackPeer::LOOPBACK, peer.Port()};
    peer.CloseListener();
    EXPECT_FALSE(channel.Open(&target));
    EXPECT_EQ(channel.SocketHandle(), -1);
    EXPECT_EQ(channel.OpenCause(), ChannelCause::REFUSED) << ChannelCauseText(channel.OpenCause());
    EXPECT_NE(channel.OpenError(), 0) << "the system's own code is kept too";
    EXPECT_FALSE(channel.Open(nullptr));
}

TEST_F(SocketTest, WritesWholeBuffersAndNothingForZeroLength) {
    Connect();
    const Bytes connect = Hex("AA 10 20 00 00 DB");
    const Bytes block = Pattern(1030);
    EXPECT_EQ(channel.Write(connect.data(), 0), 0);
    EXPECT_EQ(channel.Write(connect.data(), 6), 6);
    EXPECT_EQ(channel.Write(block.data(), 1030), 1030);
    EXPECT_EQ(ToHex(PeerReceives(6)), "AA 10 20 00 00 DB") << "the zero-length write sent bytes";
    EXPECT_EQ(PeerReceives(1030), block);
    EXPECT_TRUE(PeerReceives(1, 100).empty()) << "more bytes than were written";
}

TEST(SocketWrite, PartialSendsGoOnFromWhereTheLastStopped) {
    // The system takes 1000 bytes, then the remaining 30.
    const Bytes block = Pattern(1030);
    Bytes wire;
    std::vector<int> offsets;
    const int takes[] = {1000, 30};
    const int result = SendWhole(block.data(), 1030, [&](const uint8_t* from, int count) {
        offsets.push_back(static_cast<int>(from - block.data()));
        const int took = std::min(count, takes[offsets.size() - 1]);
        wire.insert(wire.end(), from, from + took);
        return took;
    });
    EXPECT_EQ(result, 30);
    EXPECT_EQ(offsets, (std::vector<int>{0, 1000}));
    EXPECT_TRUE(wire == block) << "bytes lost, repeated or reordered";

    // A call that takes nothing or fails ends the write with its result.
    for (const int refusal : {0, -1}) {
        int calls = 0;
        const auto send = [&](const uint8_t*, int) { return ++calls == 1 ? 1000 : refusal; };
        EXPECT_EQ(SendWhole(block.data(), 1030, send), refusal);
        EXPECT_EQ(calls, 2);
    }
}

TEST_F(SocketTest, BurstLargerThanTheRingArrivesWholeAndInOrder) {
    Connect();
    // Far more than the ring holds, sent at once: the receive loop has to
    // leave what does not fit to TCP until the reader drains the ring.
    const Bytes burst = Pattern(40000);
    std::thread sender([&] { peer.Send(burst.data(), burst.size()); });
    const Bytes got = ReadFromChannel(channel, burst.size(), milliseconds(10000));
    sender.join();
    ASSERT_EQ(got.size(), burst.size());
    size_t firstDifference = 0;
    while (firstDifference < got.size() && got[firstDifference] == burst[firstDifference])
        ++firstDifference;
    EXPECT_EQ(firstDifference, burst.size()) << "bytes differ from offset " << firstDifference;
}

TEST_F(SocketTest, CloseEndsABlockedReceive) {
    Connect();
    ExpectPromptClose(channel);
    EXPECT_EQ(channel.SocketHandle(), -1);
    EXPECT_EQ(PeerReceives(1, 1000).size(), 0u) << "the peer should see the connection end";
}

TEST_F(SocketTest, PeerClosingEndsTheReceiveLoopWithoutSpinning) {
    Connect();
    const Bytes hello = Hex("55 10 00 00 00 66");
    ASSERT_TRUE(peer.Send(hello.data(), hello.size()));
    EXPECT_EQ(ToHex(ReadFromChannel(channel, 6)), "55 10 00 00 00 66");
    ExpectTheEndNoticedWithoutSpinning(channel, [&] { peer.CloseConnection(); });
    uint8_t ring[CComm::RING_SIZE];
    EXPECT_EQ(channel.Read(ring), 0u) << "bytes appended after the peer closed";
    // The connection is gone: a write fails (no SIGPIPE) within a few tries.
    int result = 1;
    for (int attempt = 0; attempt < 50 && result > 0; ++attempt) {
        result = channel.Write(hello.data(), 6);
        if (result > 0) std::this_thread::sleep_for(milliseconds(10));
    }
    EXPECT_LE(result, 0);
    const double took = MillisecondsOf([&] { channel.Close(); });
    EXPECT_LT(took, 2000.0);
    EXPECT_EQ(channel.SocketHandle(), -1);
}

}  // namespace
