#include "tools/qvlog/Session.h"

#include <chrono>

#include "ui/controls/InstrumentList.h"
#include "retrieval/Commands.h"
#include "tools/qvlog/Console.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/ControlStates.h"
#include "ui/MainDialog.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

constexpr auto PUMP_WAIT = std::chrono::milliseconds(100);
// A busy dialog that nothing watches (a reply of status 0 with no blocks
// after it) would wait for the user forever; the tool gives up instead.
constexpr uint64_t UNWATCHED_LIMIT_MS = 30000;
// Manual clock: empty pump passes that make the line quiet.
constexpr int QUIET_PASSES = 2;
constexpr auto DISCONNECT_WAIT = std::chrono::seconds(3);

bool AnyWatchRunning(const HeadlessUi& ui) {
    return ui.TimerRunning(TIMER_REPLY) || ui.TimerRunning(TIMER_BLOCK) || ui.TimerRunning(TIMER_ABORT);
}

}  // namespace

Session::Session(LinkFactory& factory, HeadlessUi::ClockMode clock)
    : ui(clock), state(NewDialogState()), m_dialog(*state, ui), m_clock(clock) {
    state->linkFactory = &factory;
    state->settings.connection.method = METHOD_WIFI;
    InitMainDialog(*state, ui);
}

Session::~Session() { OnDestroy(*state, ui); }

bool Session::Busy() {
    // States 2 and 3: the Abort button enabled, or every control disabled.
    const bool abortEnabled = ui.control(IDC_ABORT).enabled;
    const bool allDisabled = !ui.control(IDC_CONNECT).enabled && !ui.control(IDC_DISCONNECT).enabled;
    return abortEnabled || allDisabled;
}

Outcome Session::OutcomeOfMessage(const std::string& text) {
    auto is = [&](int number) { return text == CatalogueEntry(number).text; };
    if (is(MSG_NO_RESPONSE)) return Outcome::NO_RESPONSE;
    if (is(MSG_FILE_NOT_CREATED)) return Outcome::FILE_ERROR;
    if (is(MSG_ABORTED)) return Outcome::ABORTED;
    if (is(MSG_TRANSFER_ERROR) && state->retryCount > BLOCK_RESENDS) return Outcome::NO_RESPONSE;
    return Outcome::INSTRUMENT_ERROR;
}

void Session::JumpClock(uint64_t lastActivity) {
    uint32_t timer = 0;
    uint64_t due = 0;
    const uint64_t now = ui.Now();
    if (ui.NextTimer(timer, due)) {
        if (due > now) ui.Advance(due - now);
    } else {
        const uint64_t limit = lastActivity + UNWATCHED_LIMIT_MS + 1;
        if (limit > now) ui.Advance(limit - now);
    }
}

Outcome Session::RunUntilSettled() {
    Outcome outcome = Outcome::OK;
    bool abortPressed = false;
    bool gaveUp = false;  // the tool pressed Abort itself: nothing came any more
    uint64_t lastActivity = ui.Now();
    int quietPasses = 0;
    for (;;) {
        if (InterruptRequested() && !abortPressed) {
            abortPressed = true;
            if (ui.control(IDC_ABORT).enabled) {
                m_dialog.Command(IDC_ABORT);
            } else if (!Busy()) {
                return Outcome::ABORTED;
            }
        }
        if (m_dialog.WaitAndDispatch(PUMP_WAIT)) {
            lastActivity = ui.Now();
            quietPasses = 0;
        } else {
            ++quietPasses;
        }
        if (onTick) onTick();
        const auto& boxes = ui.messageBoxes();
        for (; m_messagesSeen < boxes.size(); ++m_messagesSeen) {
            lastMessage = boxes[m_messagesSeen].text;
            outcome = OutcomeOfMessage(lastMessage);
        }
        const bool idle = ui.queue().Size() == 0 && !AnyWatchRunning(ui);
        if (idle && !Busy()) {
            // The abort was the tool's own, for an instrument that fell
            // silent: that is what the user must hear, not "aborted".
            if (gaveUp) {
                lastMessage = CatalogueEntry(MSG_NO_RESPONSE).text;
                return Outcome::NO_RESPONSE;
            }
            if (abortPressed && outcome == Outcome::OK) outcome = Outcome::ABORTED;
            return outcome;
        }
        if (idle && ui.Now() - lastActivity > UNWATCHED_LIMIT_MS) {
            if (!abortPressed && ui.control(IDC_ABORT).enabled) {
                abortPressed = true;
                gaveUp = true;
                m_dialog.Command(IDC_ABORT);
                lastActivity = ui.Now();
                continue;
            }
            lastMessage = CatalogueEntry(MSG_NO_RESPONSE).text;
            return Outcome::NO_RESPONSE;
        }
        if (m_clock == HeadlessUi::MANUAL_CLOCK && quietPasses >= QUIET_PASSES) {
            JumpClock(lastActivity);
            quietPasses = 0;
        }
    }
}

Outcome Session::Connected(Outcome outcome) {
    if (outcome != Outcome::OK) return outcome;
    if (!state->connected) {
        lastMessage = "the instrument did not accept the connection";
        return Outcome::INSTRUMENT_ERROR;
    }
    return Outcome::OK;
}

Outcome Session::ConnectTcp(const TcpTarget& target) {
    state->settings.connection.method = METHOD_WIFI;
    SetConnectionMethod(ui, METHOD_WIFI);
    ui.SetAddress(IDC_IP_ADDRESS, target.address);
    ui.SetControlText(IDC_PORT, std::to_string(target.port).c_str());
    m_dialog.Command(IDC_CONNECT);
    return Connected(RunUntilSettled());
}

Outcome Session::ConnectSerial(int comPort, const std::string& devicePath) {
    state->settings.connection.method = METHOD_USB;
    SetConnectionMethod(ui, METHOD_USB);
    // The port the user named, as the one line of the instrument list.
    DeviceEntry entry;
    entry.comPort = comPort;
    entry.devicePath = devicePath;
    entry.model = "QV-500";
    state->deviceList.assign(1, entry);
    ShowDeviceList(ui, state->deviceList, comPort);
    m_dialog.Command(IDC_CONNECT);
    return Connected(RunUntilSettled());
}

void Session::Disconnect() {
    if (!state->connected) return;
    m_dialog.Command(IDC_DISCONNECT);
    const auto end = std::chrono::steady_clock::now() + DISCONNECT_WAIT;
    while (state->link && std::chrono::steady_clock::now() < end) m_dialog.WaitAndDispatch(PUMP_WAIT);
}

Outcome Session::SelectDate(size_t index) {
    ui.SetListSelection(IDC_DATES, static_cast<int>(index));
    m_dialog.Command(IDC_DATES, CBN_SELCHANGE_CODE);
    return RunUntilSettled();
}

Outcome Session::SelectTime(size_t index) {
    ui.SetListSelection(IDC_TIMES, static_cast<int>(index));
    m_dialog.Command(IDC_TIMES, CBN_SELCHANGE_CODE);
    return RunUntilSettled();
}

Outcome Session::Download(const std::vector<int>& files, const std::string& folder) {
    const int count = FileCount();
    for (int i = 0; i < count; ++i) ui.SelectEntry(IDC_FILES, i, false);
    for (int number : files) ui.SelectEntry(IDC_FILES, number, true);
    ui.SetControlText(IDC_SAVE_PATH, folder.c_str());
    m_dialog.Command(IDC_DOWNLOAD);
    return RunUntilSettled();
}

Outcome Session::LogSettings(const std::function<bool(LogSettingsAnswer&)>& edit) {
    ui.logSettingsAnswer = [&edit](LogSettingsAnswer& answer) { return edit(answer) ? 1 : 0; };
    m_dialog.Command(IDC_LOG_SETTINGS);
    const Outcome outcome = RunUntilSettled();
    ui.logSettingsAnswer = nullptr;
    return outcome;
}
