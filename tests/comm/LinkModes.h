// The link over a real line, in the dialog's cadence and in the mode that
// wakes when bytes arrive: the checks that a TCP connection and a
// pseudo-terminal share. A fixture opens the link over its line and plays
// the instrument's end of it.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/DeviceLink.h"
#include "tests/comm/ChannelReading.h"
#include "tests/support/Frames.h"
#include "tests/support/ProcessStats.h"
#include "ui/controls/DialogMessages.h"
#include "ui/headless/MessageQueue.h"

class LinkModes : public testing::TestWithParam<DeviceLink::Parsing> {
protected:
    // All of `bytes` from the instrument, waiting while the line holds it
    // back, until `stop` is set; whether all went.
    virtual bool InstrumentSends(const Bytes& bytes, const std::atomic<bool>& stop) = 0;

    // The link over `lineChannel`, which it owns from then on.
    void OpenLink(CComm* lineChannel, const void* parameter) {
        threadsBefore = SettledThreadCount();
        channel = lineChannel;
        link = std::make_unique<DeviceLink>(channel, parameter, &queue, GetParam());
    }

    // 200 blocks without waiting for a single acknowledgement, while the
    // dialog takes them slowly: the line's flow control holds the
    // instrument back.
    void APeerThatDoesNotWaitLosesNoBlock() {
        const Bytes stream = NumberedBlocks(200);
        std::atomic<bool> stop{false};
        bool sent = false;
        std::thread instrument([&] { sent = InstrumentSends(stream, stop); });
        // Each frame copied out of its slot as the dialog does, 2 ms apart:
        // -1 for a frame that is no numbered block, -3 for a notification
        // that was no data block with a busy slot.
        std::vector<int> numbers;
        PostedMessage message{};
        while (numbers.size() < 200 && queue.WaitTake(message, std::chrono::seconds(5))) {
            CommandRequest frame{};
            const bool taken = message.message == WM_APP_DEVICE_REQUEST && message.wParam == 0x88 &&
                               link->TakeFrame(message.lParam, &frame);
            numbers.push_back(taken ? BlockNumber(frame) : -3);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        stop = true;
        instrument.join();
        EXPECT_TRUE(sent);
        EXPECT_EQ(OrderProblem(numbers, 200), "");
        EXPECT_FALSE(queue.WaitTake(message, std::chrono::milliseconds(50))) << "a notification too many";
        ShutdownLeavesNoThread();
    }

    // Nothing is taken: one block posted, the pending queue filled behind
    // it, then the ring; the instrument's writes block until the link goes.
    void ShutdownWithTheQueueAndTheRingFullReturns() {
        const Bytes stream = NumberedBlocks(200);
        std::atomic<bool> stop{false};
        std::thread instrument([&] { InstrumentSends(stream, stop); });
        auto full = [&] {
            return link->HeldFrames() == DeviceLink::PENDING_FRAMES &&
                   channel->UnreadCount() == CComm::RING_SIZE - 1;
        };
        for (int i = 0; i < 5000 && !full(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_TRUE(full()) << link->HeldFrames() << " frames held, " << channel->UnreadCount()
                            << " bytes unread";
        EXPECT_EQ(queue.Size(), 1u);
        RecordCpu("cpu_ms_held_500ms", "link held back with a full ring");
        link->Shutdown();
        stop = true;
        instrument.join();
        ShutdownLeavesNoThread();
    }

    // Connected and idle: the parser waits for bytes that do not come.
    void ShutdownWhileTheParserWaits() {
        RecordCpu("cpu_ms_idle_500ms", "connected, idle link");
        ShutdownLeavesNoThread();
    }

    void ShutdownLeavesNoThread() {
        link->Shutdown();
        EXPECT_FALSE(link->m_open);
        EXPECT_EQ(queue.Size(), 0u);
        EXPECT_EQ(ThreadCountSettlesTo(threadsBefore), threadsBefore) << "a thread outlived the link";
    }

    // CPU the process uses in the next 500 ms, shown and kept.
    void RecordCpu(const char* property, const char* what) {
        const double used = IdleCpuMilliseconds(property, std::chrono::milliseconds(500));
        std::printf("%s: %.1f ms CPU in 500 ms\n", what, used);
    }

    size_t threadsBefore = 0;
    MessageQueue queue;
    CComm* channel = nullptr;
    std::unique_ptr<DeviceLink> link;
};

inline std::string ModeName(const testing::TestParamInfo<DeviceLink::Parsing>& info) {
    return info.param == DeviceLink::PARSER_WAKES ? "Wakes" : "Paced";
}

inline auto BothModes() { return testing::Values(DeviceLink::PARSER_PACED, DeviceLink::PARSER_WAKES); }
