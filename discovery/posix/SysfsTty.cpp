#include "discovery/posix/SysfsTty.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "discovery/DeviceRules.h"

namespace {

// sysfs attributes are short; anything longer is cut here.
constexpr size_t ATTRIBUTE_SIZE = 256;
// From the tty's device: the USB interface, then the USB device; a few more
// for hubs and drivers that add a level.
constexpr int PARENT_LEVELS = 5;

struct UsbTty {
    std::string name;
    uint32_t vendor = 0;
    uint32_t product = 0;
    std::string serial;
    std::string productName;
};

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// The attribute's text without its trailing newline; false when it cannot be
// read or is empty.
bool ReadAttribute(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    char buffer[ATTRIBUTE_SIZE];
    file.read(buffer, sizeof buffer - 1);
    size_t length = static_cast<size_t>(file.gcount());
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\r')) --length;
    text.assign(buffer, length);
    return length > 0;
}

bool RealPath(const std::string& path, std::string& resolved) {
    char buffer[PATH_MAX];
    if (realpath(path.c_str(), buffer) == nullptr) return false;
    resolved = buffer;
    return true;
}

// Strictly below root: the walk never leaves the tree it was given.
bool Below(const std::string& root, const std::string& path) {
    if (root == "/") return path.size() > 1 && path[0] == '/';
    return path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
           path[root.size()] == '/';
}

std::string Parent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

// Walks up from the tty's device to the first level with a USB vendor and
// product; false for a tty without a USB parent.
bool ReadUsbParent(const std::string& realRoot, const std::string& classDir, UsbTty& tty) {
    std::string level;
    if (!RealPath(classDir + "/" + tty.name + "/device", level)) return false;
    for (int up = 0; up <= PARENT_LEVELS && Below(realRoot, level); ++up, level = Parent(level)) {
        std::string vendor;
        std::string product;
        if (!ReadAttribute(level + "/idVendor", vendor) ||
            !ReadAttribute(level + "/idProduct", product)) {
            continue;
        }
        tty.vendor = ScanHex4(vendor.c_str());
        tty.product = ScanHex4(product.c_str());
        ReadAttribute(level + "/serial", tty.serial);
        ReadAttribute(level + "/product", tty.productName);
        return true;
    }
    return false;
}

std::vector<std::string> TtyNames(const std::string& classDir) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> dir(opendir(classDir.c_str()));
    if (!dir) return names;
    while (const dirent* item = readdir(dir.get())) {
        const std::string name = item->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    // Shorter first, so that the numbers of one driver's ttys count up.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return names;
}

DeviceEntry EntryFor(const UsbTty& tty, const std::string& devRoot, std::string model) {
    DeviceEntry entry;
    entry.serialNumber = tty.serial;
    entry.model = std::move(model);
    entry.comPort = NO_COM_PORT;
    entry.devicePath = devRoot + "/" + tty.name;
    return entry;
}

}  // namespace

void EnumerateSysfsDevices(const std::string& sysRoot, const std::string& devRoot,
                           std::vector<DeviceEntry>& deviceList) {
    std::string realRoot;
    if (!RealPath(sysRoot, realRoot)) return;
    const std::string classDir = sysRoot + "/class/tty";

    std::vector<UsbTty> ttys;
    for (const std::string& name : TtyNames(classDir)) {
        UsbTty tty;
        tty.name = name;
        if (!ReadUsbParent(realRoot, classDir, tty)) continue;
        if (access((devRoot + "/" + name).c_str(), F_OK) != 0) continue;
        ttys.push_back(tty);
    }

    for (const UsbTty& tty : ttys) {
        if (tty.vendor != FTDI_VENDOR_ID || !IsInstrumentDescription(tty.productName.c_str())) {
            continue;
        }
        deviceList.push_back(
            EntryFor(tty, devRoot, FtdiModel(tty.productName.c_str(), tty.serial.c_str())));
    }
    for (const UsbTty& tty : ttys) {
        if (!IsNativeInstrument(tty.vendor, tty.product)) continue;
        DeviceEntry entry = EntryFor(tty, devRoot, NATIVE_MODEL);
        if (!IsListed(deviceList, entry)) deviceList.push_back(entry);
    }
}
