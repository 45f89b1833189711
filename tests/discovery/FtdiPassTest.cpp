#include <gtest/gtest.h>

#include "tests/discovery/FakeProbes.h"

namespace {

std::vector<DeviceEntry> Pass(FakeFtdi& ftdi) {
    std::vector<DeviceEntry> list;
    EnumerateFtdiDevices(ftdi, list);
    return list;
}

void ExpectAllClosed(const FakeFtdi& ftdi) {
    EXPECT_EQ(ftdi.OpenHandles(), 0);
    EXPECT_EQ(ftdi.opens, ftdi.closes);
    EXPECT_EQ(ftdi.badCloses, 0);
}

TEST(FtdiPass, ModelLetterComesFromTheFirstTwoCharactersOfTheSerialNumber) {
    FakeFtdi ftdi;
    ftdi.bridges = {{"5B0042", "QUORVEL QV-520R", 3}, {"6V1234", "QUORVEL QV-540R", 4},
                    {"6v1234", "QUORVEL QV-540R", 5}, {"5b0042", "QUORVEL QV-520R", 6},
                    {"B5", "QUORVEL QV-520R", 8},     {"5", "QUORVEL QV-540R", 9},
                    {"", "QUORVEL QV-520R", 10}};
    EXPECT_EQ(Describe(Pass(ftdi)),
              "QV-520R [5B0042] COM3;QV-540R [6V1234] COM4;QV-540A [6v1234] COM5;"
              "QV-520A [5b0042] COM6;QV-520A [B5] COM8;QV-540A [5] COM9;QV-520A [] COM10;");
    ExpectAllClosed(ftdi);
}

TEST(FtdiPass, OnlyTheTwoDescriptionsExactlyAreInstruments) {
    FakeFtdi ftdi;
    ftdi.bridges = {{"A1", "QUORVEL QV-520", 1},   {"A2", "quorvel qv-520r", 2},
                    {"A3", "QUORVEL QV-540r", 3},  {"A4", "QUORVEL QV-540R ", 4},
                    {"A5", " QUORVEL QV-520R", 5}, {"A6", "QUORVEL QV-530R", 6},
                    {"A7", "QUORVEL  QV-520R", 7}, {"A8", "FT232R USB UART", 8},
                    {"A9", "", 9},                 {"5B10", "QUORVEL QV-540R", 10}};
    EXPECT_EQ(Describe(Pass(ftdi)), "QV-540R [5B10] COM10;");
    // Rejected records are not even opened.
    EXPECT_EQ(ftdi.openedSerials, std::vector<std::string>{"5B10"});
    ExpectAllClosed(ftdi);
}

TEST(FtdiPass, BridgesWithoutAUsablePortAreClosedAndLeftOut) {
    FakeFtdi ftdi;
    FakeBridge noPort{"5B01", "QUORVEL QV-520R", -1};
    FakeBridge portUnknown{"5B02", "QUORVEL QV-520R", 5};
    portUnknown.portKnown = false;
    FakeBridge heldElsewhere{"5B03", "QUORVEL QV-520R", 6};
    heldElsewhere.opens = false;
    FakeBridge negative{"5B04", "QUORVEL QV-540R", -7};
    ftdi.bridges = {noPort, {"5B05", "QUORVEL QV-540R", 11}, portUnknown, heldElsewhere,
                    negative, {"6V06", "QUORVEL QV-520R", 12}};

    EXPECT_EQ(Describe(Pass(ftdi)), "QV-540R [5B05] COM11;QV-520R [6V06] COM12;");
    EXPECT_EQ(ftdi.opens, 5);  // all but the one held elsewhere
    ExpectAllClosed(ftdi);
}

TEST(FtdiPass, FailingLibraryCallsEndThePassWithNothing) {
    FakeFtdi ftdi;
    ftdi.bridges = {{"5B01", "QUORVEL QV-520R", 3}};

    ftdi.loads = false;
    EXPECT_TRUE(Pass(ftdi).empty());
    ftdi.loads = true;
    ftdi.createSucceeds = false;
    EXPECT_TRUE(Pass(ftdi).empty());
    ftdi.createSucceeds = true;
    ftdi.getSucceeds = false;
    EXPECT_TRUE(Pass(ftdi).empty());
    EXPECT_EQ(ftdi.opens, 0);

    ftdi.getSucceeds = true;
    ftdi.bridges.clear();
    EXPECT_TRUE(Pass(ftdi).empty());
}

TEST(FtdiPass, PassAppendsWithoutDuplicateCheckAndKeepsWhatIsListed) {
    FakeFtdi ftdi;
    ftdi.bridges = {{"5B01", "QUORVEL QV-520R", 4}, {"5B02", "QUORVEL QV-540R", 4}};
    std::vector<DeviceEntry> list{{"X", "QV-560R", 4, ""}};
    EnumerateFtdiDevices(ftdi, list);
    EXPECT_EQ(Describe(list), "QV-560R [X] COM4;QV-520R [5B01] COM4;QV-540R [5B02] COM4;");
}

TEST(FtdiPass, RecordsAreReadOnlyWithinTheirRoomAndFields) {
    FakeFtdi ftdi;
    // A device attached between the two calls makes the count come back
    // larger than the room that was obtained for the records.
    ftdi.countGrowsBy = 1000;
    // A serial number that fills its field to the end, with no terminator.
    const std::string fullSerial(sizeof(FtdiDeviceInfo::serialNumber), '5');
    ftdi.bridges = {{fullSerial, "QUORVEL QV-520R", 2}, {"6V02", "QUORVEL QV-520R", 3}};

    EXPECT_EQ(Describe(Pass(ftdi)), "QV-520R [6V02] COM3;");
    ASSERT_EQ(ftdi.openedSerials.size(), 2u);
    EXPECT_EQ(ftdi.openedSerials[0], fullSerial.substr(0, fullSerial.size() - 1));
    ExpectAllClosed(ftdi);
}

}  // namespace
