#include "ui/headless/MessageQueue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(MessageQueue, DeliversInPostingOrderAcrossThreads) {
    MessageQueue queue;
    constexpr int PER_THREAD = 300;
    std::thread a([&] { for (int i = 0; i < PER_THREAD; ++i) queue.PostDialogMessage(1, i, 0); });
    std::thread b([&] { for (int i = 0; i < PER_THREAD; ++i) queue.PostDialogMessage(2, i, 0); });
    std::vector<uintptr_t> next(3, 0);
    int taken = 0;
    PostedMessage message{};
    while (taken < 2 * PER_THREAD && queue.WaitTake(message, std::chrono::milliseconds(2000))) {
        ASSERT_EQ(message.wParam, next[message.message]) << "thread " << message.message;
        ++next[message.message];
        ++taken;
    }
    a.join();
    b.join();
    EXPECT_EQ(taken, 2 * PER_THREAD);
}

TEST(MessageQueue, FullQueueRefusesAndDiscardKeepsTheRestInOrder) {
    MessageQueue queue;
    for (size_t i = 0; i < MessageQueue::CAPACITY; ++i)
        ASSERT_TRUE(queue.PostDialogMessage(i % 2 ? 0x8001 : 0x8002, i, 0));
    EXPECT_FALSE(queue.PostDialogMessage(0x8002, 0, 0));
    queue.DiscardPosted(0x8000, 0x8001);
    EXPECT_EQ(queue.Size(), MessageQueue::CAPACITY / 2);
    PostedMessage message{};
    for (size_t i = 0; i < MessageQueue::CAPACITY; i += 2) {
        ASSERT_TRUE(queue.TryTake(message));
        EXPECT_EQ(message.message, 0x8002u);
        EXPECT_EQ(message.wParam, i);
    }
    EXPECT_FALSE(queue.TryTake(message));
}

}  // namespace
