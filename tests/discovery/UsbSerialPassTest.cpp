#include <gtest/gtest.h>

#include "discovery/DeviceRules.h"
#include "tests/discovery/FakeProbes.h"

namespace {

const char* const QV560 = "USB\\VID_16F4&PID_5005\\";

FakePort Port(const std::string& serial, const std::string& portName) {
    return FakePort{QV560 + serial, portName};
}

std::vector<DeviceEntry> Pass(FakeDeviceSetup& setup, std::vector<DeviceEntry> list = {}) {
    EnumerateUsbSerialDevices(setup, list);
    return list;
}

void ExpectAllClosed(const FakeDeviceSetup& setup) {
    EXPECT_FALSE(setup.SetOpen());
    EXPECT_FALSE(setup.KeyOpen());
    EXPECT_EQ(setup.setOpensCount, setup.setCloses);
    EXPECT_EQ(setup.keyOpensCount, setup.keyCloses);
    EXPECT_EQ(setup.badCloses, 0);
}

TEST(UsbSerialPass, OnlyNativeInstrumentsOnComPortsAreListed) {
    FakeDeviceSetup setup;
    FakePort noPortName = Port("NOPN", "COM20");
    noPortName.hasPortName = false;
    FakePort keyFails = Port("NOKEY", "COM21");
    keyFails.keyOpens = false;
    FakePort idFails = Port("NOID", "COM22");
    idFails.idReads = false;
    setup.ports = {Port("QV0001", "COM7"),
                   Port("QV0002", "com12"),
                   Port("LPT", "LPT1"),
                   noPortName,
                   keyFails,
                   idFails,
                   {"ACPI\\PNP0501\\1", "COM1"},
                   {"FTDIBUS\\VID_0403+PID_6001+5B01A\\0000", "COM3"},
                   {"USB\\VID_16F4&PID_5006\\X", "COM4"},
                   {"USB\\VID_16F4\\X", "COM5"},
                   Port("QV0003", "Com3"),
                   Port("QV0004", "CO"),
                   Port("QV0005", "")};

    EXPECT_EQ(Describe(Pass(setup)), "QV-560R [QV0001] COM7;QV-560R [QV0002] COM12;QV-560R [QV0003] COM3;");
    // Keys are opened only for the instrument's own VID and PID.
    EXPECT_EQ(setup.keyOpensCount, 7);
    EXPECT_EQ(setup.instanceIdRoom, 200u);
    ExpectAllClosed(setup);
}

TEST(UsbSerialPass, ComPortAlreadyListedIsNotListedAgain) {
    FakeDeviceSetup setup;
    setup.ports = {Port("N1", "COM7"), Port("N2", "COM9"), Port("N3", "COM9"), Port("N4", "COM8")};
    EXPECT_EQ(Describe(Pass(setup, {{"5B01", "QV-520R", 7, ""}})), "QV-520R [5B01] COM7;QV-560R [N2] COM9;QV-560R [N4] COM8;");
    ExpectAllClosed(setup);
}

TEST(UsbSerialPass, InstanceIdAndPortNameAreReadAsWritten) {
    FakeDeviceSetup setup;
    setup.ports = {{"VID_16F4&PID_5005", "COM1"},             // no backslash
                   {"USB\\VID_16F4&PID_5005\\", "COM2"},      // nothing after it
                   {"USB\\PID_5005&VID_16F4\\B\\C", "COM3"},  // order of the two, last part
                   {"USB\\VID_16f4&PID_5005\\low", "COM4"},   // hex digits in lower case
                   {"USB\\VID_16F&PID_5005\\short", "COM5"},  // three digits: 0x16F
                   {"USB\\VID_16F4F&PID_5005\\long", "COM6"}, // four digits read
                   {"USB\\VID_ 16F4&PID_\t5005\\blank", "COM7"}, // blanks before the digits
                   {"USB\\VID_0x16F4&PID_5005\\prefix", "COM8"},  // 0x counts: 0x16
                   Port("minus", "COM-12"),
                   Port("nodigits", "COM"),
                   Port("sign", "COM-3x"),
                   Port("huge", "COM99999999999"),
                   Port("tail", "COM10abc"),
                   Port("spaced", "COM \t11"),
                   Port("plus", "COM+13")};
    EXPECT_EQ(Describe(Pass(setup)),
              "QV-560R [] COM1;QV-560R [] COM2;QV-560R [C] COM3;QV-560R [low] COM4;"
              "QV-560R [long] COM6;QV-560R [blank] COM7;QV-560R [nodigits] COM0;"
              "QV-560R [huge] COM2147483647;QV-560R [tail] COM10;QV-560R [spaced] COM11;"
              "QV-560R [plus] COM13;");
    // Negative numbers name no port.
    ExpectAllClosed(setup);
}

TEST(UsbSerialPass, NoDeviceSetMeansNoEntriesAndNothingToClose) {
    FakeDeviceSetup setup;
    setup.setOpens = false;
    setup.ports = {Port("N1", "COM7")};
    EXPECT_TRUE(Pass(setup).empty());
    EXPECT_EQ(setup.setCloses, 0);

    setup.setOpens = true;
    setup.ports.clear();
    EXPECT_TRUE(Pass(setup).empty());
    ExpectAllClosed(setup);
}

TEST(UsbSerialPass, PortNameFillingItsWholeBufferStillEnds) {
    FakeDeviceSetup setup;
    setup.ports = {Port("N1", "COM5" + std::string(252, '7'))};
    const std::vector<DeviceEntry> list = Pass(setup);
    // 256 bytes of value fit, with the terminator after them.
    EXPECT_EQ(setup.portNameRoom, 257u);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].comPort, INT32_MAX);
}

TEST(DeviceRules, DuplicatesAreByDevicePathWhenThereIsOne) {
    const std::vector<DeviceEntry> list{{"A", "QV-520R", NO_COM_PORT, "/dev/ttyUSB0"},
                                        {"B", "QV-560R", 4, ""}};
    EXPECT_TRUE(IsListed(list, {"C", "QV-560R", NO_COM_PORT, "/dev/ttyUSB0"}));
    EXPECT_FALSE(IsListed(list, {"C", "QV-560R", NO_COM_PORT, "/dev/ttyACM0"}));
    EXPECT_TRUE(IsListed(list, {"C", "QV-560R", 4, ""}));
    // An entry without a COM port is not a duplicate of one on no port.
    EXPECT_FALSE(IsListed(list, {"C", "QV-560R", NO_COM_PORT, ""}));
}

}  // namespace
