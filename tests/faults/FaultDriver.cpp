#include "tests/faults/FaultDriver.h"

#include <chrono>
#include <thread>

#include "ui/controls/InstrumentList.h"
#include "tests/support/ProcessStats.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/ControlStates.h"
#include "ui/MainDialog.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto POLL = std::chrono::milliseconds(10);

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

FaultDriver::FaultDriver(LinkFactory* links) : state(NewDialogState()), m_dialog(*state, ui) {
    state->linkFactory = links != nullptr ? links : &m_channels;
    state->settings.connection.method = METHOD_WIFI;
    InitMainDialog(*state, ui);
}

FaultDriver::~FaultDriver() { OnDestroy(*state, ui); }

void FaultDriver::Press(int id, uint32_t notification) { m_dialog.Command(id, notification); }

bool FaultDriver::Settle() {
    auto quietSince = Clock::now();
    double cpuAtQuiet = CpuMilliseconds();
    HeadlessDialog::StepRules rules;
    rules.wait = POLL;
    rules.quietPasses = QUIET_MS / static_cast<int>(POLL.count());
    rules.realLimit = std::chrono::milliseconds(SETTLE_LIMIT_MS);
    rules.afterPass = [&](bool handled) {
        if (handled) {
            quietSince = Clock::now();
            cpuAtQuiet = CpuMilliseconds();
        }
        return false;
    };
    rules.onQuiet = [&] {
        quietWallMs += MsSince(quietSince);
        quietCpuMs += CpuMilliseconds() - cpuAtQuiet;
        quietSince = Clock::now();
        cpuAtQuiet = CpuMilliseconds();
    };
    const int abortsBefore = m_dialog.abortsPressed;
    const bool atRest = m_dialog.RunStep(rules) == HeadlessDialog::StepEnd::AT_REST;
    userAborts += m_dialog.abortsPressed - abortsBefore;
    return atRest;
}

void FaultDriver::IdleFor(int ms) {
    const auto start = Clock::now();
    const double cpu = CpuMilliseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    quietCpuMs += CpuMilliseconds() - cpu;
    quietWallMs += MsSince(start);
}

void FaultDriver::PumpFor(int ms) {
    const auto start = Clock::now();
    while (MsSince(start) < ms) m_dialog.WaitAndDispatch(POLL);
}

void FaultDriver::ConnectTcp(int port) {
    SetConnectionMethod(ui, METHOD_WIFI);
    ui.SetAddress(IDC_IP_ADDRESS, 0x7F000001);
    ui.SetControlText(IDC_PORT, std::to_string(port).c_str());
    Press(IDC_CONNECT);
    Settle();
}

void FaultDriver::ConnectSerial(const std::string& devicePath) {
    state->settings.connection.method = METHOD_USB;
    SetConnectionMethod(ui, METHOD_USB);
    DeviceEntry entry;
    entry.devicePath = devicePath;
    entry.model = "QV-500";
    state->deviceList.assign(1, entry);
    ShowDeviceList(ui, state->deviceList, NO_COM_PORT);
    Press(IDC_CONNECT);
    Settle();
}

void FaultDriver::DownloadEveryRun(const std::string& folder) {
    ui.SetControlText(IDC_SAVE_PATH, folder.c_str());
    const size_t messagesBefore = ui.messageBoxes().size();
    auto failed = [&] { return ui.messageBoxes().size() != messagesBefore || !state->connected; };
    const int dates = ui.ListCount(IDC_DATES);
    for (int d = 0; d < dates && !failed(); ++d) {
        if (d > 0) {
            ui.SetListSelection(IDC_DATES, d);
            Press(IDC_DATES, CBN_SELCHANGE_CODE);
            Settle();
        }
        const int times = ui.ListCount(IDC_TIMES);
        for (int t = 0; t < times && !failed(); ++t) {
            if (t > 0) {
                ui.SetListSelection(IDC_TIMES, t);
                Press(IDC_TIMES, CBN_SELCHANGE_CODE);
                Settle();
                if (failed()) return;
            }
            if (ui.ListCount(IDC_FILES) == 0) continue;
            ui.SelectAllEntries(IDC_FILES);
            Press(IDC_DOWNLOAD);
            Settle();
        }
    }
}

void FaultDriver::Disconnect() {
    if (!state->link) return;
    Press(IDC_DISCONNECT);
    Settle();
}
