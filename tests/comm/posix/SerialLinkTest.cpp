// The link over a pseudo-terminal, in the dialog's cadence and in the mode
// that wakes when bytes arrive.
#include <gtest/gtest.h>

#include "comm/CSerial.h"
#include "tests/comm/LinkModes.h"
#include "tests/comm/posix/PseudoTerminal.h"

namespace {

class SerialLinkModes : public LinkModes {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Opened());
        name.path = pty.Path();
        OpenLink(new CSerial(SerialParameter::DEVICE_PATH), &name);
        ASSERT_TRUE(link->m_open) << pty.Path();
    }
    // The terminal's small buffer holds the instrument back as RTS/CTS would.
    bool InstrumentSends(const Bytes& bytes, const std::atomic<bool>& stop) override {
        return pty.Send(bytes.data(), bytes.size(), stop);
    }
    PseudoTerminal pty;
    SerialPortName name{nullptr};
};

TEST_P(SerialLinkModes, APeerThatDoesNotWaitForAcknowledgementsLosesNoBlock) { APeerThatDoesNotWaitLosesNoBlock(); }
TEST_P(SerialLinkModes, ShutdownWithTheQueueAndTheRingFullLeavesNoThread) {
    ShutdownWithTheQueueAndTheRingFullReturns();
}
TEST_P(SerialLinkModes, ShutdownWhileTheParserWaitsLeavesNoThread) { ShutdownWhileTheParserWaits(); }
INSTANTIATE_TEST_SUITE_P(SerialLink, SerialLinkModes, BothModes(), ModeName);

}  // namespace
