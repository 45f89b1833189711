#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "discovery/DeviceList.h"
#include "ui/controls/InstrumentList.h"
#include "discovery/win32/FtdiLibrary.h"
#include "discovery/win32/SetupDiPorts.h"
#include "tests/discovery/FakeProbes.h"

namespace {

struct Warning {
    std::string text;
    std::string caption;
    UINT type;
};
std::vector<Warning> warnings;

void RecordWarning(const char* text, const char* caption, UINT type) {
    warnings.push_back({text, caption, type});
}

std::string ExecutableFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\'));
}

using FakeCounter = LONG(WINAPI*)();
LONG FakeCount(const char* name) {
    HMODULE module = GetModuleHandleA("ftd2xx.dll");
    if (module == nullptr) return -100;
    auto counter = reinterpret_cast<FakeCounter>(
        reinterpret_cast<void*>(GetProcAddress(module, name)));
    return counter != nullptr ? counter() : -200;
}

// The library, once loaded complete, stays for the process: one test walks
// through absent, incomplete and complete in that order.
TEST(Ftd2xxLibrary, LoadsByNameOnlyWhenCompleteAndKeepsIt) {
    SetFtdiWarningBox(RecordWarning);
    const std::string folder = ExecutableFolder();
    ASSERT_EQ(GetModuleHandleA("ftd2xx.dll"), nullptr);

    // Absent: false, nothing shown, and the dialog's refresh lists nothing
    // (Wine has no Ports-class devices either).
    EXPECT_FALSE(LoadFtdiLibrary());
    FakeComboUi ui;
    std::vector<DeviceEntry> deviceList;
    FillComPortCombo(ui, deviceList, 1);
    EXPECT_TRUE(ui.lines.empty());
    EXPECT_EQ(ui.selection, -1);
    EXPECT_TRUE(warnings.empty());

    // Without FT_Close: the warning at every attempt, and unloaded after it.
    ASSERT_TRUE(SetDllDirectoryA((folder + "\\ftd2xx-incomplete").c_str()));
    EXPECT_FALSE(LoadFtdiLibrary());
    EXPECT_EQ(GetModuleHandleA("ftd2xx.dll"), nullptr);
    EXPECT_FALSE(LoadFtdiLibrary());
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].text, "ftd2xx.dllの関数取得に失敗しました。");
    EXPECT_EQ(warnings[0].caption, "確認");
    EXPECT_EQ(warnings[0].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));

    // Complete: the pass through the library's own calls and records.
    ASSERT_TRUE(SetDllDirectoryA((folder + "\\ftd2xx-complete").c_str()));
    FillComPortCombo(ui, deviceList, 4);
    EXPECT_EQ(Describe(deviceList), "QV-520R [5B0001] COM3;QV-540R [6V34567890ABCDEF] COM4;");
    EXPECT_EQ(ui.lines.size(), 2u);
    EXPECT_EQ(ui.selection, 1);
    EXPECT_EQ(FakeCount("FakeOpenCount"), 3);  // the bridge without a COM port too
    EXPECT_EQ(FakeCount("FakeStillOpen"), 0);

    // Kept loaded, even where it could no longer be found.
    SetDllDirectoryA(nullptr);
    EXPECT_TRUE(LoadFtdiLibrary());
    EXPECT_EQ(warnings.size(), 2u);
    SetFtdiWarningBox(nullptr);
}

// Forwards to the real probe and counts what it opens and closes.
class CountingSetup : public DeviceSetupProbe {
public:
    explicit CountingSetup(DeviceSetupProbe& real) : m_real(real) {}
    bool OpenPortsSet() override { return Count(m_real.OpenPortsSet(), setOpens); }
    bool SelectMember(uint32_t index) override { return Count(m_real.SelectMember(index), members); }
    bool GetInstanceId(char* buffer, size_t size) override {
        return Count(m_real.GetInstanceId(buffer, size), idsRead);
    }
    bool OpenDeviceKey() override { return Count(m_real.OpenDeviceKey(), keyOpens); }
    bool QueryPortName(char* buffer, size_t size) override {
        return m_real.QueryPortName(buffer, size);
    }
    void CloseDeviceKey() override {
        ++keyCloses;
        m_real.CloseDeviceKey();
    }
    void ClosePortsSet() override {
        ++setCloses;
        m_real.ClosePortsSet();
    }
    int setOpens = 0, setCloses = 0, members = 0, idsRead = 0, keyOpens = 0, keyCloses = 0;

private:
    static bool Count(bool result, int& counter) {
        if (result) ++counter;
        return result;
    }
    DeviceSetupProbe& m_real;
};

TEST(SetupDiPorts, PassOverThePlatformClosesWhatItOpens) {
    SetupDiPortsProbe real;
    CountingSetup counting(real);
    std::vector<DeviceEntry> list;
    EnumerateUsbSerialDevices(counting, list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(counting.setOpens, 1);
    EXPECT_EQ(counting.setCloses, 1);
    EXPECT_EQ(counting.idsRead, counting.members);
    EXPECT_EQ(counting.keyOpens, counting.keyCloses);
    std::printf("Ports-class members: %d\n", counting.members);

    // Calls out of order find nothing open and fail instead of crashing.
    char buffer[200];
    EXPECT_FALSE(real.SelectMember(0));
    EXPECT_FALSE(real.GetInstanceId(buffer, sizeof buffer));
    EXPECT_FALSE(real.OpenDeviceKey());
    EXPECT_FALSE(real.QueryPortName(buffer, sizeof buffer));
}

}  // namespace
