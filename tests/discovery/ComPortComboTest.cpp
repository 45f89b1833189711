#include <gtest/gtest.h>

#include "discovery/DeviceList.h"
#include "ui/controls/InstrumentList.h"
#include "tests/discovery/FakeProbes.h"

namespace {

class ComPortCombo : public ::testing::Test {
protected:
    void Fill(int savedComPort) { FillComPortCombo(ui, deviceList, savedComPort, ftdi, setup); }

    FakeFtdi ftdi;
    FakeDeviceSetup setup;
    FakeComboUi ui;
    std::vector<DeviceEntry> deviceList;
};

TEST_F(ComPortCombo, FtdiInstrumentsComeFirstThenNativeOnesLineByLine) {
    ftdi.bridges = {{"5B0042", "QUORVEL QV-520R", 3}, {"AB12", "QUORVEL QV-540R", 8}};
    setup.ports = {{"USB\\VID_16F4&PID_5005\\QV56A", "COM9"},
                   {"USB\\VID_16F4&PID_5005\\DUP", "COM8"},  // the FTDI pass has COM8
                   {"VID_16F4&PID_5005", "COM7"}};
    Fill(9);

    const std::vector<std::string> expected{
        "QV-520R [S/N:5B0042] (COM3)", "QV-540A [S/N:AB12] (COM8)",
        "QV-560R [S/N:QV56A] (COM9)", "QV-560R [S/N:] (COM7)"};
    EXPECT_EQ(ui.lines, expected);
    ASSERT_EQ(deviceList.size(), expected.size());
    EXPECT_EQ(ui.selection, 2);
    EXPECT_EQ(ui.otherControl, 0);
    EXPECT_TRUE(ui.messageBoxes().empty());
    EXPECT_EQ(ftdi.OpenHandles(), 0);
    EXPECT_EQ(setup.setOpensCount, setup.setCloses);
    EXPECT_EQ(setup.keyOpensCount, setup.keyCloses);
}

TEST_F(ComPortCombo, SavedPortSelectsTheLastMatchingLineElseLineZero) {
    ftdi.bridges = {{"5B01", "QUORVEL QV-520R", 5}, {"5B02", "QUORVEL QV-520R", 6},
                    {"5B03", "QUORVEL QV-540R", 5}, {"5B04", "QUORVEL QV-540R", 8}};
    Fill(5);
    EXPECT_EQ(ui.selection, 2);
    Fill(8);
    EXPECT_EQ(ui.selection, 3);
    Fill(1);
    EXPECT_EQ(ui.selection, 0);
    EXPECT_EQ(ui.resets, 3);
    EXPECT_EQ(ui.lines.size(), 4u);
}

TEST_F(ComPortCombo, EmptyResultLeavesAnEmptyComboWithoutSelection) {
    ui.lines = {"stale line"};
    ui.selection = 0;
    deviceList = {{"OLD", "QV-520R", 3, ""}, {"OLD2", "QV-540R", 4, ""}};
    ftdi.loads = false;
    Fill(3);
    EXPECT_TRUE(ui.lines.empty());
    EXPECT_EQ(ui.selection, -1);
    EXPECT_TRUE(deviceList.empty());
    EXPECT_EQ(deviceList.capacity(), 0u);
    EXPECT_EQ(SelectedDevice(ui, deviceList), nullptr);
}

TEST_F(ComPortCombo, EveryRefreshStartsFromAnEmptyList) {
    ftdi.bridges = {{"5B01", "QUORVEL QV-520R", 5}};
    setup.ports = {{"USB\\VID_16F4&PID_5005\\N", "COM5"}};
    Fill(5);
    Fill(5);
    // The native device stays a duplicate of the bridge; nothing piles up.
    ASSERT_EQ(deviceList.size(), 1u);
    EXPECT_EQ(ui.lines, std::vector<std::string>{"QV-520R [S/N:5B01] (COM5)"});

    // Without the library the native pass still runs.
    ftdi.loads = false;
    Fill(5);
    EXPECT_EQ(ui.lines, std::vector<std::string>{"QV-560R [S/N:N] (COM5)"});
}

TEST_F(ComPortCombo, LineTheComboRefusesIsDroppedSoLinesStayEntries) {
    ftdi.bridges = {{"5B01", "QUORVEL QV-520R", 3}, {"5B02", "QUORVEL QV-520R", 4},
                    {"5B03", "QUORVEL QV-520R", 5}};
    ui.refusedLine = "QV-520R [S/N:5B02] (COM4)";
    Fill(5);
    ASSERT_EQ(deviceList.size(), 2u);
    EXPECT_EQ(deviceList[1].serialNumber, "5B03");
    EXPECT_EQ(ui.selection, 1);
    const DeviceEntry* selected = SelectedDevice(ui, deviceList);
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->comPort, 5);
}

TEST_F(ComPortCombo, SelectedDeviceFollowsTheComboSelection) {
    ftdi.bridges = {{"5B01", "QUORVEL QV-520R", 3}, {"5B02", "QUORVEL QV-520R", 4}};
    Fill(3);
    ui.SetListSelection(IDC_COM_PORT, 1);
    ASSERT_NE(SelectedDevice(ui, deviceList), nullptr);
    EXPECT_EQ(SelectedDevice(ui, deviceList)->comPort, 4);
    ui.selection = -1;
    EXPECT_EQ(SelectedDevice(ui, deviceList), nullptr);
    ui.selection = 2;  // a combo out of step with the list
    EXPECT_EQ(SelectedDevice(ui, deviceList), nullptr);
}

TEST(ComPortLines, DevicePathEntriesShowTheirPathAndAreNeverPreselected) {
    FakeComboUi ui;
    std::vector<DeviceEntry> list{{"5B01", "QV-520R", NO_COM_PORT, "/dev/ttyUSB0"},
                                  {"QV56", "QV-560R", NO_COM_PORT, "/dev/ttyACM0"}};
    ShowDeviceList(ui, list, NO_COM_PORT);
    const std::vector<std::string> expected{"QV-520R [S/N:5B01] (/dev/ttyUSB0)",
                                            "QV-560R [S/N:QV56] (/dev/ttyACM0)"};
    EXPECT_EQ(ui.lines, expected);
    EXPECT_EQ(ui.selection, 0);
}

TEST(ComPortLines, LongLinesAreCutAtTheBuffer) {
    const DeviceEntry entry{std::string(300, 'S'), "QV-560R", 12, ""};
    char line[260];
    std::memset(line, 'x', sizeof line);
    FormatDeviceLine(entry, line, sizeof line);
    EXPECT_EQ(std::strlen(line), 259u);
    EXPECT_EQ(std::string(line, 13), "QV-560R [S/N:");

    char small[8];
    FormatDeviceLine(entry, small, sizeof small);
    EXPECT_STREQ(small, "QV-560R");
}

}  // namespace
