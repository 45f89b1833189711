// The link over a pseudo-terminal, in the dialog's cadence and in the mode
// that wakes when bytes arrive.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "comm/CSerial.h"
#include "link/DeviceLink.h"
#include "tests/comm/DialogSide.h"
#include "tests/comm/ProcessCpuTime.h"
#include "tests/comm/ProcessThreads.h"
#include "tests/comm/posix/PseudoTerminal.h"
#include "tests/support/Frames.h"
#include "ui/headless/MessageQueue.h"

namespace {

using std::chrono::milliseconds;

class SerialLinkModes : public testing::TestWithParam<DeviceLink::Parsing> {
protected:
    void SetUp() override {
        threadsBefore = SettledProcessThreadCount();
        ASSERT_TRUE(pty.Opened());
        name.path = pty.Path();
        channel = new CSerial(SerialParameter::DEVICE_PATH);  // the link owns it
        link = std::make_unique<DeviceLink>(channel, &name, &queue, GetParam());
        ASSERT_TRUE(link->m_open) << pty.Path();
    }

    void ShutdownLeavesNoThread() {
        link->Shutdown();
        EXPECT_FALSE(link->m_open);
        EXPECT_EQ(queue.Size(), 0u);
        EXPECT_EQ(ProcessThreadCount(), threadsBefore) << "a thread outlived the link";
    }

    size_t threadsBefore = 0;
    PseudoTerminal pty;
    SerialPortName name{nullptr};
    MessageQueue queue;
    CSerial* channel = nullptr;
    std::unique_ptr<DeviceLink> link;
};

TEST_P(SerialLinkModes, APeerThatDoesNotWaitForAcknowledgementsLosesNoBlock) {
    // The terminal's small buffer holds the instrument back as RTS/CTS would.
    const Bytes stream = NumberedBlocks(200);
    std::atomic<bool> stop{false};
    bool sent = false;
    std::thread instrument([&] { sent = pty.Send(stream.data(), stream.size(), stop); });
    const std::vector<int> numbers = TakeBlocks(*link, queue, 200, milliseconds(2));
    stop = true;
    instrument.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(OrderProblem(numbers, 200), "");
    PostedMessage extra{};
    EXPECT_FALSE(queue.WaitTake(extra, milliseconds(50))) << "a notification too many";
    ShutdownLeavesNoThread();
}

TEST_P(SerialLinkModes, ShutdownWithTheQueueAndTheRingFullLeavesNoThread) {
    const Bytes stream = NumberedBlocks(200);
    std::atomic<bool> stop{false};
    std::thread instrument([&] { pty.Send(stream.data(), stream.size(), stop); });
    auto full = [&] {
        return link->HeldFrames() == DeviceLink::PENDING_FRAMES &&
               channel->UnreadCount() == CComm::RING_SIZE - 1;
    };
    for (int i = 0; i < 5000 && !full(); ++i) std::this_thread::sleep_for(milliseconds(1));
    EXPECT_TRUE(full()) << link->HeldFrames() << " frames held, " << channel->UnreadCount()
                        << " bytes unread";
    EXPECT_EQ(queue.Size(), 1u);
    link->Shutdown();
    stop = true;
    instrument.join();
    ShutdownLeavesNoThread();
}

TEST_P(SerialLinkModes, ShutdownWhileTheParserWaitsLeavesNoThread) {
    const double before = ProcessCpuMilliseconds();
    std::this_thread::sleep_for(milliseconds(500));
    const double used = ProcessCpuMilliseconds() - before;
    std::printf("connected, idle serial link: %.1f ms CPU in 500 ms\n", used);
    RecordProperty("cpu_ms_idle_500ms", static_cast<int>(used));
    ShutdownLeavesNoThread();
}

std::string ModeName(const testing::TestParamInfo<DeviceLink::Parsing>& info) {
    return info.param == DeviceLink::PARSER_WAKES ? "Wakes" : "Paced";
}

INSTANTIATE_TEST_SUITE_P(SerialLink, SerialLinkModes,
                         testing::Values(DeviceLink::PARSER_PACED, DeviceLink::PARSER_WAKES), ModeName);

}  // namespace
