#include "tests/faults/FaultDriver.h"

#include <chrono>
#include <thread>

#include "tests/support/ProcessStats.h"
#include "ui/controls/ControlIds.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto POLL = std::chrono::milliseconds(10);

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

FaultDriver::FaultDriver(LinkFactory* links, RetrievalObserver* observer)
    : m_session(links != nullptr ? *links : m_channels, HeadlessUi::MANUAL_CLOCK, observer), ui(m_session.ui),
      state(m_session.state) {}

FaultDriver::~FaultDriver() = default;

bool FaultDriver::Settle() {
    auto quietSince = Clock::now();
    double cpuAtQuiet = CpuMilliseconds();
    HeadlessDialog::StepRules rules;
    rules.wait = POLL;
    rules.quietPasses = QUIET_MS / static_cast<int>(POLL.count());
    rules.realLimit = std::chrono::milliseconds(SETTLE_LIMIT_MS);
    rules.afterPass = [&](bool handled) {
        if (betweenMessages) betweenMessages();
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
    const int abortsBefore = m_session.dialog.abortsPressed;
    const bool atRest = m_session.dialog.RunStep(rules) == HeadlessDialog::StepEnd::AT_REST;
    userAborts += m_session.dialog.abortsPressed - abortsBefore;
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
    while (MsSince(start) < ms) m_session.dialog.WaitAndDispatch(POLL);
}

void FaultDriver::ConnectTcp(int port) {
    m_session.ConnectTcp(TcpTarget{0x7F000001, port});
    Settle();
}

void FaultDriver::ConnectSerial(const std::string& devicePath) {
    m_session.ConnectSerial(NO_COM_PORT, devicePath);
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
            m_session.Press(IDC_DATES, CBN_SELCHANGE_CODE);
            Settle();
        }
        const int times = ui.ListCount(IDC_TIMES);
        for (int t = 0; t < times && !failed(); ++t) {
            if (t > 0) {
                ui.SetListSelection(IDC_TIMES, t);
                m_session.Press(IDC_TIMES, CBN_SELCHANGE_CODE);
                Settle();
                if (failed()) return;
            }
            if (ui.ListCount(IDC_FILES) == 0) continue;
            ui.SelectAllEntries(IDC_FILES);
            m_session.Press(IDC_DOWNLOAD);
            Settle();
        }
    }
}

void FaultDriver::Disconnect() {
    if (!state->link) return;
    m_session.Press(IDC_DISCONNECT);
    Settle();
}
