#include "discovery/posix/SysfsTty.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/discovery/FakeProbes.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// A small sysfs and /dev in a temporary folder, shaped like the kernel's:
// class/tty/NAME links to the tty's own directory, whose `device` links to
// the port (usb-serial) or interface (cdc-acm) below the USB device.
class SysfsTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(top.Made());
        sys = top / "sys";
        dev = top / "dev";
        fs::create_directories(sys / "class" / "tty");
        fs::create_directories(dev);
    }
    fs::path UsbDevice(const std::string& name, const std::string& vendor,
                       const std::string& product, const std::string& serial,
                       const std::string& productName) {
        const fs::path dir = sys / "devices" / "pci0000:00" / "usb1" / name;
        fs::create_directories(dir);
        WriteText(dir / "idVendor", vendor + "\n");
        WriteText(dir / "idProduct", product + "\n");
        if (!serial.empty()) WriteText(dir / "serial", serial + "\n");
        WriteText(dir / "product", productName + "\n");
        return dir;
    }

    // tty whose `device` is `device`; the node in /dev when wanted.
    void Tty(const std::string& name, const fs::path& device, bool node = true) {
        const fs::path own = device / "tty" / name;
        fs::create_directories(own);
        fs::create_directory_symlink(fs::relative(device, own), own / "device");
        fs::create_directory_symlink(fs::relative(own, sys / "class" / "tty"),
                                     sys / "class" / "tty" / name);
        if (node) WriteText(dev / name, "");
    }

    void UsbSerialTty(const std::string& name, const fs::path& usbDevice, bool node = true) {
        const fs::path port = usbDevice / (usbDevice.filename().string() + ":1.0") / name;
        fs::create_directories(port);
        Tty(name, port, node);
    }

    void AcmTty(const std::string& name, const fs::path& usbDevice) {
        const fs::path interface = usbDevice / (usbDevice.filename().string() + ":1.0");
        fs::create_directories(interface);
        Tty(name, interface);
    }

    std::vector<DeviceEntry> Scan() {
        std::vector<DeviceEntry> list;
        EnumerateSysfsDevices(sys.string(), dev.string(), list);
        return list;
    }


    TempFolder top;
    fs::path sys, dev;
};

TEST_F(SysfsTree, InstrumentsAreFoundByTheirUsbParents) {
    AcmTty("ttyACM0", UsbDevice("1-2", "16f4", "5005", "QV56001", "QV-560"));
    UsbSerialTty("ttyUSB0", UsbDevice("1-1", "0403", "6001", "5B0042", "QUORVEL QV-520R"));
    UsbSerialTty("ttyUSB10", UsbDevice("1-5", "0403", "6015", "A1", "QUORVEL QV-520R"));
    UsbSerialTty("ttyUSB9", UsbDevice("1-6", "0403", "6001", "6VAB", "QUORVEL QV-540R"));
    // An unrelated bridge, an FTDI bridge of something else, a QV-560 with
    // another product id, an instrument without its node in /dev.
    UsbSerialTty("ttyUSB1", UsbDevice("1-3", "067b", "2303", "X", "QUORVEL QV-520R"));
    UsbSerialTty("ttyUSB2", UsbDevice("1-4", "0403", "6001", "5B99", "FT232R USB UART"));
    AcmTty("ttyACM1", UsbDevice("1-7", "16f4", "5006", "QV56002", "QV-560"));
    UsbSerialTty("ttyUSB4", UsbDevice("1-8", "0403", "6001", "5B77", "QUORVEL QV-520R"), false);
    // A native device without a serial number.
    AcmTty("ttyACM2", UsbDevice("1-9", "16F4", "5005", "", "QV-560"));

    // ttys without a USB parent: a platform UART and a virtual console.
    const fs::path uart = sys / "devices" / "platform" / "serial8250";
    fs::create_directories(uart);
    Tty("ttyS0", uart);
    fs::create_directories(sys / "devices" / "virtual" / "tty" / "tty0");
    fs::create_directory_symlink("../../devices/virtual/tty/tty0", sys / "class" / "tty" / "tty0");

    EXPECT_EQ(Describe(Scan(), dev.string()),
              "QV-520R [5B0042] DEV/ttyUSB0 COM-1;QV-540R [6VAB] DEV/ttyUSB9 COM-1;"
              "QV-520A [A1] DEV/ttyUSB10 COM-1;QV-560R [QV56001] DEV/ttyACM0 COM-1;"
              "QV-560R [] DEV/ttyACM2 COM-1;");
}

TEST_F(SysfsTree, WalkStaysInsideTheTreeItWasGiven) {
    // USB attributes above the sysfs root must not be taken for a parent.
    WriteText(top / "idVendor", "16f4\n");
    WriteText(top / "idProduct", "5005\n");
    const fs::path lone = sys / "devices" / "lone";
    fs::create_directories(lone);
    Tty("ttyS1", lone);
    EXPECT_EQ(Describe(Scan(), dev.string()), "");
}

TEST_F(SysfsTree, MissingTreeGivesNothing) {
    std::vector<DeviceEntry> list;
    EnumerateSysfsDevices((top / "absent").string(), dev.string(), list);
    EXPECT_TRUE(list.empty());
    fs::remove_all(sys / "class");
    EXPECT_TRUE(Scan().empty());
}

}  // namespace
