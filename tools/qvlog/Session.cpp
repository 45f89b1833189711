#include "tools/qvlog/Session.h"

#include <chrono>

#include "link/Frame.h"
#include "link/Protocol.h"
#include "ui/controls/InstrumentList.h"
#include "retrieval/Catalogue.h"
#include "retrieval/Commands.h"
#include "tools/qvlog/Console.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/ControlStates.h"
#include "ui/controls/DialogMessages.h"
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

Text TextOfCause(ChannelCause cause) {
    switch (cause) {
    case ChannelCause::REFUSED: return Text::CAUSE_REFUSED;
    case ChannelCause::UNREACHABLE: return Text::CAUSE_UNREACHABLE;
    case ChannelCause::TIMED_OUT: return Text::CAUSE_TIMED_OUT;
    case ChannelCause::NO_DEVICE: return Text::CAUSE_NO_DEVICE;
    case ChannelCause::IN_USE: return Text::CAUSE_IN_USE;
    case ChannelCause::ACCESS_DENIED: return Text::CAUSE_ACCESS_DENIED;
    case ChannelCause::NOT_A_PORT: return Text::CAUSE_NOT_A_PORT;
    case ChannelCause::SETUP_FAILED: return Text::CAUSE_SETUP_FAILED;
    default: return Text::CAUSE_OTHER;
    }
}

}  // namespace

bool ListsNone(const std::vector<std::string>& entries) {
    return entries.empty() || (entries.size() == 1 && entries[0] == EMPTY_LIST_TEXT);
}

bool SessionUi::PostDialogMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    // Acknowledgements are posted by the dialog's thread only, with the
    // response instance it has just filled.
    if (message == WM_APP_SEND_RESPONSE && wParam != 0) {
        const CommandRequest* response = reinterpret_cast<const CommandRequest*>(wParam);
        if (response->command == CMD_DATA_BLOCK && response->status == ACK_CANCEL) ++refusals;
    }
    // A frame's slot holds its wire length until the dialog takes it.
    const bool frame = (message == WM_APP_DEVICE_REQUEST || message == WM_APP_DEVICE_RESPONSE) && lParam != 0;
    const uint64_t bytes = frame ? FRAME_OVERHEAD + reinterpret_cast<const CommandRequest*>(lParam)->length : 0;
    if (!HeadlessUi::PostDialogMessage(message, wParam, lParam)) return false;
    frameBytes += bytes;
    return true;
}

Session::Session(LinkFactory& factory, HeadlessUi::ClockMode clock, Language language)
    : ui(clock), state(NewDialogState()), m_dialog(*state, ui), m_language(language) {
    state->linkFactory = &factory;
    state->settings.connection.method = METHOD_WIFI;
    InitMainDialog(*state, ui);
}

Session::~Session() { OnDestroy(*state, ui); }

bool Session::LinkLost() const { return state->link && state->link->m_open && state->link->ChannelLost(); }

Failure Session::FailureOfMessage(int number) const {
    const std::string none;
    switch (number) {
    case MSG_NO_RESPONSE: return Fail(Outcome::NO_RESPONSE, Cause::NO_RESPONSE, "no response", none, number);
    case MSG_TRANSFER_ERROR:
        // Message 2 stands for every status the dialog does not know; the
        // number is what tells one from another.
        return Fail(Outcome::INSTRUMENT_ERROR, Cause::TRANSFER_ERROR, "transfer error",
                    state->shownReplyStatus < 0
                        ? none
                        : Say(m_language, Text::REPLY_STATUS, {std::to_string(state->shownReplyStatus)}),
                    number);
    case MSG_FILE_NOT_CREATED:
        return Fail(Outcome::FILE_ERROR, Cause::FILE_NOT_WRITTEN, "file not written", none, number);
    case MSG_ABORTED: return Fail(Outcome::ABORTED, Cause::ABORTED, "aborted", none, number);
    case MSG_UNSUPPORTED:
        return Fail(Outcome::INSTRUMENT_ERROR, Cause::INSTRUMENT_REFUSED, "not supported", none, number);
    case MSG_NO_SD_CARD:
        return Fail(Outcome::INSTRUMENT_ERROR, Cause::INSTRUMENT_REFUSED, "no SD card", none, number);
    case MSG_SETTINGS_READ_FAILED:
        return Fail(Outcome::INSTRUMENT_ERROR, Cause::INSTRUMENT_REFUSED, "settings not read", none, number);
    case MSG_SETTINGS_WRITE_FAILED:
        return Fail(Outcome::INSTRUMENT_ERROR, Cause::INSTRUMENT_REFUSED, "setting refused", none, number);
    default: return Fail(Outcome::INSTRUMENT_ERROR, Cause::INSTRUMENT_REFUSED, "unknown error", none, number);
    }
}

Failure Session::NothingCame() const {
    return Fail(Outcome::NO_RESPONSE, Cause::NO_RESPONSE, "no response",
                Say(m_language, Text::NOTHING_CAME, {std::to_string(UNWATCHED_LIMIT_MS / 1000)}), MSG_NO_RESPONSE);
}

uint64_t Session::BytesWithoutFrame() const {
    const uint64_t received = state->link ? state->link->BytesReceived() : 0;
    const uint64_t framed = ui.frameBytes.load();
    return received > framed ? received - framed : 0;
}

void Session::TellUnfinishedFrame(Failure& failure, uint64_t bytes) const {
    const bool silence = failure.cause == Cause::NO_RESPONSE ||
                         (failure.cause == Cause::TRANSFER_ERROR && state->shownReplyStatus < 0);
    if (bytes == 0 || !silence) return;
    failure.detail = Say(m_language, Text::FRAME_NEVER_COMPLETED, {std::to_string(bytes)});
}

void Session::Stop(const Failure& why) {
    if (m_stopRequested) return;
    m_stopRequested = true;
    m_stopWith = why;
    if (state->phase == CONTROLS_BUSY) m_dialog.Command(IDC_ABORT);
}

void Session::PressAbort() {
    if (state->phase == CONTROLS_BUSY) m_dialog.Command(IDC_ABORT);
}

Failure Session::RunUntilSettled() {
    m_stopRequested = false;
    state->shownReplyStatus = -1;  // a status of this step's own, or none
    bool userAbort = false;
    bool lostBefore = false;
    int message = -1;
    Failure endedWith;
    // Sampled while the link is open: a closed link counts nothing.
    const uint64_t unframedBefore = BytesWithoutFrame();
    uint64_t unframed = unframedBefore;
    HeadlessDialog::StepRules rules;
    rules.wait = PUMP_WAIT;
    rules.quietPasses = QUIET_PASSES;
    rules.unwatchedMs = UNWATCHED_LIMIT_MS;
    rules.beforePass = [&] {
        if (InterruptRequested() && !userAbort) {
            userAbort = true;
            if (state->phase == CONTROLS_BUSY) {
                m_dialog.Command(IDC_ABORT);
            } else if (!m_dialog.Busy()) {
                endedWith = Fail(Outcome::ABORTED, Cause::ABORTED, "aborted", Say(m_language, Text::INTERRUPTED));
                return true;
            }
        }
        lostBefore = LinkLost();
        return false;
    };
    rules.afterPass = [&](bool handled) {
        // Lost before this pass and nothing more to handle after it: the
        // parser has had its passes over whatever the channel took in.
        if (!handled && lostBefore && ui.queue().Size() == 0) {
            endedWith = Fail(Outcome::NO_RESPONSE, Cause::CONNECTION_LOST, "connection lost",
                             Say(m_language, Text::CONNECTION_LOST, {Say(m_language, Text::LOST_BY_PEER)}),
                             MSG_NO_RESPONSE);
            return true;
        }
        if (state->link && state->link->BytesReceived() > 0) unframed = BytesWithoutFrame();
        if (onTick) onTick();
        if (state->messagesShown != m_messagesSeen) {
            m_messagesSeen = state->messagesShown;
            message = state->lastMessage;
        }
        return false;
    };
    const int abortsBefore = m_dialog.abortsPressed;
    const HeadlessDialog::StepEnd end = m_dialog.RunStep(rules);
    const uint64_t unfinished = unframed > unframedBefore ? unframed - unframedBefore : 0;
    Failure failure;
    switch (end) {
    case HeadlessDialog::StepEnd::ENDED_BY_CALLER: return endedWith;
    case HeadlessDialog::StepEnd::AT_REST: break;
    default: failure = NothingCame();
    }
    // The abort was the tool's own, for an instrument that fell silent:
    // that is what the user must hear, not "aborted".
    if (m_dialog.abortsPressed != abortsBefore) failure = NothingCame();
    if (!failure.Failed() && m_stopRequested) return m_stopWith;
    if (!failure.Failed() && message >= 0) failure = FailureOfMessage(message);
    if (failure.Failed()) {
        TellUnfinishedFrame(failure, unfinished);
        return failure;
    }
    if (userAbort) return Fail(Outcome::ABORTED, Cause::ABORTED, "aborted", Say(m_language, Text::INTERRUPTED));
    return Failure();
}

Failure Session::OpenFailure() {
    const DeviceLink& link = *state->link;
    Failure failure = Fail(Outcome::NO_RESPONSE, Cause::CONNECT_FAILED, ChannelCauseText(link.m_openCause),
                           Say(m_language, TextOfCause(link.m_openCause)));
    if (link.m_openCause == ChannelCause::NONE) failure.reason = ChannelCauseText(ChannelCause::OTHER);
    return failure;
}

Failure Session::PressConnect() {
    m_dialog.Command(IDC_CONNECT);
    // The dialog would wait out its reply time-out; the cause is known now.
    if (state->link && !state->link->m_open) return OpenFailure();
    const Failure failure = RunUntilSettled();
    if (failure.Failed() || state->connected) return failure;
    return Fail(Outcome::INSTRUMENT_ERROR, Cause::NOT_ACCEPTED, "connection not accepted",
                Say(m_language, Text::NOT_ACCEPTED));
}

Failure Session::ConnectTcp(const TcpTarget& target) {
    state->settings.connection.method = METHOD_WIFI;
    SetConnectionMethod(ui, METHOD_WIFI);
    ui.SetAddress(IDC_IP_ADDRESS, target.address);
    ui.SetControlText(IDC_PORT, std::to_string(target.port).c_str());
    return PressConnect();
}

Failure Session::ConnectSerial(int comPort, const std::string& devicePath) {
    state->settings.connection.method = METHOD_USB;
    SetConnectionMethod(ui, METHOD_USB);
    // The port the user named, as the one line of the instrument list.
    DeviceEntry entry;
    entry.comPort = comPort;
    entry.devicePath = devicePath;
    entry.model = "QV-500";
    state->deviceList.assign(1, entry);
    ShowDeviceList(ui, state->deviceList, comPort);
    return PressConnect();
}

void Session::Disconnect() {
    if (!state->connected || LinkLost()) return;
    m_dialog.Command(IDC_DISCONNECT);
    const auto end = std::chrono::steady_clock::now() + DISCONNECT_WAIT;
    while (state->link && !LinkLost() && std::chrono::steady_clock::now() < end)
        m_dialog.WaitAndDispatch(PUMP_WAIT);
}

Failure Session::Select(int list, size_t index) {
    if (ui.ListSelection(list) == static_cast<int>(index)) return Failure();
    ui.SetListSelection(list, static_cast<int>(index));
    m_dialog.Command(list, CBN_SELCHANGE_CODE);
    return RunUntilSettled();
}

Failure Session::Download(const std::vector<int>& files, const std::string& folder) {
    const int count = FileCount();
    for (int i = 0; i < count; ++i) ui.SelectEntry(IDC_FILES, i, false);
    for (int number : files) ui.SelectEntry(IDC_FILES, number, true);
    ui.SetControlText(IDC_SAVE_PATH, folder.c_str());
    m_dialog.Command(IDC_DOWNLOAD);
    return RunUntilSettled();
}

Failure Session::LogSettings(const std::function<bool(LogSettingsAnswer&)>& edit) {
    ui.logSettingsAnswer = [&edit](LogSettingsAnswer& answer) { return edit(answer) ? 1 : 0; };
    m_dialog.Command(IDC_LOG_SETTINGS);
    const Failure failure = RunUntilSettled();
    ui.logSettingsAnswer = nullptr;
    return failure;
}
