#include "comm/CSerial.h"

#include <gtest/gtest.h>

#include <termios.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "tests/comm/ChannelReading.h"
#include "tests/comm/posix/PseudoTerminal.h"
#include "tests/support/Hex.h"
#include "tests/support/TempFolder.h"

namespace {

using std::chrono::milliseconds;

class SerialTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Opened());
        name.path = pty.Path();
    }
    void TearDown() override { channel.Close(); }

    PseudoTerminal pty;
    SerialPortName name{nullptr};
    CSerial channel{SerialParameter::DEVICE_PATH};
};

TEST_F(SerialTest, OpensWithTheInstrumentsLineSettings) {
    ASSERT_TRUE(channel.Open(&name)) << pty.Path();
    termios settings{};
    ASSERT_EQ(tcgetattr(static_cast<int>(channel.PortHandle()), &settings), 0);
    EXPECT_EQ(cfgetispeed(&settings), static_cast<speed_t>(B115200));
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B115200));
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB), 0u) << "parity or two stop bits";
    EXPECT_NE(settings.c_cflag & CRTSCTS, 0u) << "no RTS/CTS handshake";
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF), 0u) << "XON/XOFF would eat 0x11 and 0x13";
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u) << "not raw";
    EXPECT_EQ(settings.c_oflag & OPOST, 0u) << "output processing would rewrite 0x0A";
}

TEST_F(SerialTest, FramesAndBurstsPassBothWays) {
    ASSERT_TRUE(channel.Open(&name));
    EXPECT_EQ(channel.Write(Hex("AA 10 20 00 00 DB").data(), 6), 6);
    EXPECT_EQ(ToHex(pty.Receive(6)), "AA 10 20 00 00 DB");
    EXPECT_EQ(channel.Write(nullptr, 0), 0);

    ASSERT_TRUE(pty.Send(Hex("55 10 00 00 00 66")));
    EXPECT_EQ(ToHex(ReadFromChannel(channel, 6)), "55 10 00 00 00 66");

    // More than the ring holds, written while the reader drains it at the
    // parser's pace: nothing may be overwritten before it is read.
    const Bytes burst = Pattern(20000);
    std::thread instrument([&] { EXPECT_TRUE(pty.Send(burst)); });
    const Bytes got = ReadFromChannel(channel, burst.size(), milliseconds(10000));
    instrument.join();
    EXPECT_EQ(got.size(), burst.size());
    EXPECT_TRUE(got == burst) << "bytes lost, repeated or reordered";
}

TEST_F(SerialTest, PortIsHeldExclusivelyUntilClosed) {
    ASSERT_TRUE(channel.Open(&name));
    CSerial second(SerialParameter::DEVICE_PATH);
    EXPECT_FALSE(second.Open(&name)) << "a second open of a held port succeeded";
    EXPECT_EQ(second.PortHandle(), -1);
    EXPECT_EQ(second.OpenCause(), ChannelCause::IN_USE);
    EXPECT_EQ(channel.Write(Hex("AA 11 00 00 00 BB").data(), 6), 6) << "the holder lost its port";
    channel.Close();
    EXPECT_EQ(channel.PortHandle(), -1);
    EXPECT_TRUE(second.Open(&name)) << "the port stayed locked after Close";
    EXPECT_EQ(second.OpenCause(), ChannelCause::NONE);
    second.Close();
}

TEST_F(SerialTest, CloseWhileWaitingReturnsPromptly) {
    ASSERT_TRUE(channel.Open(&name));
    ExpectPromptClose(channel);
    EXPECT_EQ(channel.PortHandle(), -1);
}

TEST_F(SerialTest, HangupEndsTheReceiveLoopWithoutSpinning) {
    ASSERT_TRUE(channel.Open(&name));
    ASSERT_TRUE(pty.Send(Hex("55 11 00 00 00 67")));
    EXPECT_EQ(ToHex(ReadFromChannel(channel, 6)), "55 11 00 00 00 67");
    // As when the bridge is pulled out: the port hangs up.
    ExpectTheEndNoticedWithoutSpinning(channel, [&] { pty.CloseMaster(); });
    EXPECT_LT(MillisecondsOf([&] { channel.Close(); }), 2000.0);
}

TEST(SerialOpen, RefusesWhatIsNotAnOpenableTerminal) {
    CSerial byPath(SerialParameter::DEVICE_PATH);
    const SerialPortName missing{"/dev/qv500-no-such-port"};
    EXPECT_FALSE(byPath.Open(&missing));
    EXPECT_EQ(byPath.PortHandle(), -1);
    EXPECT_EQ(byPath.OpenCause(), ChannelCause::NO_DEVICE);

    TempFolder folder;
    ASSERT_TRUE(folder.Made());
    WriteText(folder / "plain", "");
    const std::string file = folder.File("plain");
    const SerialPortName plainFile{file.c_str()};
    EXPECT_FALSE(byPath.Open(&plainFile)) << "a plain file has no line settings";
    EXPECT_EQ(byPath.OpenCause(), ChannelCause::NOT_A_PORT);

    CSerial byNumber;
    const int com3 = 3;
    EXPECT_FALSE(byNumber.Open(&com3)) << "COM numbers mean nothing here";
    EXPECT_EQ(byNumber.OpenCause(), ChannelCause::NO_DEVICE);
    EXPECT_EQ(byNumber.PortHandle(), -1);
}

}  // namespace
