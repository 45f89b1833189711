// A connection attempt that the listener never takes (its queue is full, so
// the system drops the attempt and tries again for minutes) ends when the
// owner gives up; one that is taken connects as before, the socket blocking
// again for the receive thread.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "comm/CSocket.h"
#include "tests/comm/ChannelReading.h"
#include "tests/support/LoopbackPeer.h"

namespace {

std::atomic<int> looks{0};
constexpr int LOOKS_BEFORE_GIVING_UP = 3;

bool GiveUpAtTheThirdLook() { return ++looks >= LOOKS_BEFORE_GIVING_UP; }

TEST(SocketGiveUp, AnAttemptNobodyTakesEndsWhenGivenUpAndATakenOneStillWorks) {
    LoopbackPeer peer;
    ASSERT_TRUE(peer.Listen());
    const TcpTarget target{LoopbackPeer::LOOPBACK, peer.Port()};

    // The first attempts fill the listener's queue and connect at once.
    std::vector<std::unique_ptr<CSocket>> queued;
    bool gaveUp = false;
    for (int attempt = 0; attempt < 32 && !gaveUp; ++attempt) {
        auto socket = std::make_unique<CSocket>();
        socket->SetGiveUp(GiveUpAtTheThirdLook);
        looks = 0;
        if (socket->Open(&target)) {
            ASSERT_LT(looks.load(), LOOKS_BEFORE_GIVING_UP) << "attempt " << attempt;
            queued.push_back(std::move(socket));
            continue;
        }
        // Windows itself refuses an attempt beyond a full queue (Wine, like
        // Linux, lets it wait): nothing is left there to give up on.
        if (socket->OpenCause() == ChannelCause::REFUSED) GTEST_SKIP() << "the system refused the attempt";
        gaveUp = true;
        EXPECT_EQ(looks.load(), LOOKS_BEFORE_GIVING_UP);
        EXPECT_EQ(socket->OpenCause(), ChannelCause::OTHER);
        EXPECT_EQ(socket->SocketHandle(), -1);
    }
    ASSERT_TRUE(gaveUp) << "the listener's queue never filled";
    ASSERT_FALSE(queued.empty());

    // The first one queued is taken: bytes reach it through the receive
    // thread, which a socket left non-blocking would have ended at once.
    ASSERT_TRUE(peer.Accept(2000));
    const Bytes sent = {0x55, 0x01, 0x00, 0x00};
    ASSERT_TRUE(peer.Send(sent.data(), sent.size()));
    EXPECT_EQ(ReadFromChannel(*queued.front(), sent.size()), sent);
}

}  // namespace
