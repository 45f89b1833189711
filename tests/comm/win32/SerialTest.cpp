// The serial channel on a real COM port: under Wine, wine-serial-test links
// the port named by QV_TEST_COM_PORT to a pseudo-terminal whose other end
// answers a connect request and echoes everything else.
#include "comm/CSerial.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "comm/win32/LineSettings.h"
#include "tests/comm/ChannelReading.h"
#include "tests/support/ProcessStats.h"
#include "tests/support/Hex.h"
#include "tests/support/TempFolder.h"
#include "tests/support/win32/WindowSearch.h"

namespace {

using std::chrono::milliseconds;

// Under Wine: no share modes on devices, and the one termios flag for
// RTS/CTS read back as CTS flow with RTS merely enabled.
class SerialTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* port = std::getenv("QV_TEST_COM_PORT");
        if (port == nullptr) GTEST_SKIP() << "needs a COM port with an answering peer (wine-serial-test)";
        comPort = std::atoi(port);
    }
    void TearDown() override { channel.Close(); }

    int comPort = 0;
    CSerial channel;
};

TEST_F(SerialTest, OpensWithTheInstrumentsLineSettings) {
    ASSERT_TRUE(channel.Open(&comPort)) << "COM" << comPort;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(reinterpret_cast<HANDLE>(channel.PortHandle()), &dcb));
    EXPECT_EQ(dcb.BaudRate, static_cast<DWORD>(CBR_115200));
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.fOutxCtsFlow, 1u) << "output does not wait for CTS";
    if (UnderWine()) {
        EXPECT_TRUE(dcb.fRtsControl == RTS_CONTROL_HANDSHAKE || dcb.fRtsControl == RTS_CONTROL_ENABLE)
            << "fRtsControl " << dcb.fRtsControl;
    } else {
        EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
    }
    EXPECT_EQ(dcb.fOutX, 0u);
    EXPECT_EQ(dcb.fInX, 0u);
}

TEST_F(SerialTest, AConnectRequestGetsItsAnswerAndBurstsComeBackInOrder) {
    ASSERT_TRUE(channel.Open(&comPort));
    EXPECT_EQ(channel.Write(Hex("AA 10 20 00 00 DB").data(), 6), 6);
    EXPECT_EQ(ToHex(ReadFromChannel(channel, 6)), "55 10 00 00 00 66");
    EXPECT_EQ(channel.Write(nullptr, 0), 0);

    // Echoed in pieces of whatever size the line delivers them.
    const Bytes block = Pattern(3000);
    EXPECT_EQ(channel.Write(block.data(), static_cast<int>(block.size())), 3000);
    EXPECT_TRUE(ReadFromChannel(channel, block.size()) == block) << "echo lost, repeated or reordered";
}

TEST_F(SerialTest, PortIsHeldExclusively) {
    if (UnderWine()) GTEST_SKIP() << "Wine does not refuse a second open of a device";
    ASSERT_TRUE(channel.Open(&comPort));
    CSerial second;
    EXPECT_FALSE(second.Open(&comPort)) << "a second open of a held port succeeded";
    EXPECT_EQ(second.PortHandle(), -1);
    channel.Close();
    EXPECT_TRUE(second.Open(&comPort)) << "the port stayed held after Close";
    second.Close();
}

TEST_F(SerialTest, IdlePortCostsNoCpuAndClosesPromptly) {
    ASSERT_TRUE(channel.Open(&comPort));
    std::this_thread::sleep_for(milliseconds(50));
    const double before = CpuMilliseconds();
    std::this_thread::sleep_for(milliseconds(300));
    const double used = CpuMilliseconds() - before;
    RecordProperty("cpu_ms_idle_300ms", static_cast<int>(used));
    EXPECT_LT(used, 50.0) << "the receive loop spins while nothing arrives";
    const double took = MillisecondsOf([&] { channel.Close(); });
    RecordProperty("close_ms", static_cast<int>(took));
    EXPECT_LT(took, 2000.0);
    EXPECT_EQ(channel.PortHandle(), -1);
}

TEST(SerialOpen, MissingPortFails) {
    CSerial channel;
    const int missing = 250;
    EXPECT_FALSE(channel.Open(&missing));
    EXPECT_EQ(channel.PortHandle(), -1);
    EXPECT_EQ(channel.OpenCause(), ChannelCause::NO_DEVICE) << ChannelCauseText(channel.OpenCause());
    CSerial byPath(SerialParameter::DEVICE_PATH);
    const SerialPortName name{"\\\\.\\COM251"};
    EXPECT_FALSE(byPath.Open(&name));
    EXPECT_EQ(byPath.OpenCause(), ChannelCause::NO_DEVICE);
}

TEST(SerialOpen, PortNumbersNameTheirDevicePath) {
    char path[COM_PATH_SIZE];
    FormatComPath(3, path);
    EXPECT_STREQ(path, "\\\\.\\COM3");
    FormatComPath(12, path);
    EXPECT_STREQ(path, "\\\\.\\COM12");
}

TEST(SerialOpen, APortWhoseDriverRefusesASettingIsClosedAgain) {
    // A plain file opens like a port, and its driver refuses every port setting.
    TempFolder folder;
    ASSERT_TRUE(folder.Made());
    const std::string file = folder.File("port");
    WriteText(file, "");
    CSerial byPath(SerialParameter::DEVICE_PATH);
    const SerialPortName name{file.c_str()};
    EXPECT_FALSE(byPath.Open(&name));
    EXPECT_EQ(byPath.PortHandle(), -1);
    // Opened without sharing: a handle left open would refuse this.
    const HANDLE again = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(again, INVALID_HANDLE_VALUE) << "the refused port stayed open, error " << GetLastError();
    if (again != INVALID_HANDLE_VALUE) CloseHandle(again);
    EXPECT_TRUE(DeleteFileA(file.c_str()));
}

}  // namespace
