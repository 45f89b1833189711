#include "tools/qvlog/Session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "retrieval/Catalogue.h"
#include "tools/qvlog/Console.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/ControlStates.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

constexpr auto PUMP_WAIT = std::chrono::milliseconds(100);
// A busy dialog that nothing watches (a reply of status 0 with no blocks
// after it) would wait for the user forever; the tool gives up instead.
constexpr uint64_t UNWATCHED_LIMIT_MS = 30000;
// Manual clock: empty pump passes that make the line quiet.
constexpr int QUIET_PASSES = 2;
constexpr auto DISCONNECT_WAIT = std::chrono::seconds(3);

// As the dialog writes them into its combos.
std::string DateText(unsigned year, unsigned month, unsigned day) {
    char text[32];
    DateEntryText(text, sizeof text, year, month, day);
    return text;
}

std::string TimeText(unsigned hour, unsigned minute, unsigned second) {
    char text[32];
    TimeEntryText(text, sizeof text, hour, minute, second);
    return text;
}

}  // namespace

Session::Session(LinkFactory& factory, HeadlessUi::ClockMode clock, Language language)
    : m_dialog(factory, clock, this), m_language(language) {}

Session::~Session() { m_dialog.state->observer = nullptr; }

void Session::DateListed(uint16_t year, uint8_t month, uint8_t day) {
    const std::string text = DateText(year, month, day);
    m_dates.insert(std::upper_bound(m_dates.begin(), m_dates.end(), text), text);
}

void Session::TimeListed(uint8_t hour, uint8_t minute, uint8_t second) {
    const std::string text = TimeText(hour, minute, second);
    m_times.insert(std::upper_bound(m_times.begin(), m_times.end(), text), text);
}

void Session::FilesCounted(const LogSelection&, int count) { m_fileCount = count; }

void Session::Ended(EndReason reason, int message, int replyStatus) {
    // The last ending with a message is the one the user saw last.
    if (m_ended && message < 0) return;
    m_ended = true;
    m_endReason = reason;
    m_endMessage = message;
    m_endStatus = replyStatus;
}

Failure Session::FailureOfEnding() const {
    if (!m_ended) return Failure();
    switch (m_endReason) {
    case EndReason::FINISHED:
    case EndReason::EMPTY_FILE: return Failure();
    case EndReason::ABORTED: return Fail(Cause::ABORTED);
    case EndReason::NO_REPLY: return Fail(Cause::NO_RESPONSE);
    case EndReason::NOT_READY: return Fail(Cause::NO_SD_CARD);
    case EndReason::SETTINGS_FAILED:
        return Fail(m_endMessage == MSG_SETTINGS_READ_FAILED ? Cause::SETTINGS_NOT_READ : Cause::SETTING_REFUSED);
    case EndReason::FILE_PROBLEM:
        // The listener knows which; this is what the message says.
        return Fail(m_endMessage == MSG_FILE_NOT_CREATED ? Cause::FILE_NOT_WRITTEN : Cause::SIZE_MISMATCH);
    case EndReason::REPLY_STATUS:
        if (m_endMessage == MSG_NO_SD_CARD) return Fail(Cause::NO_SD_CARD);
        if (m_endMessage == MSG_UNSUPPORTED) return Fail(Cause::NOT_SUPPORTED);
        // Message 2 stands for every status the dialog does not know; the
        // number is what tells one from another.
        return Fail(Cause::TRANSFER_ERROR, Say(m_language, Text::REPLY_STATUS, {std::to_string(m_endStatus)}));
    default: return Fail(Cause::TRANSFER_ERROR);
    }
}

Failure Session::NothingCame() const {
    return Fail(Cause::NO_RESPONSE, Say(m_language, Text::NOTHING_CAME, {std::to_string(UNWATCHED_LIMIT_MS / 1000)}));
}

void Session::Stop(const Failure& why) {
    if (m_stopRequested) return;
    m_stopRequested = true;
    m_stopWith = why;
    m_dialog.AbortSoon();
}

Failure Session::RunStep() {
    m_stopRequested = false;
    m_ended = false;
    HeadlessDialog::StepRules rules;
    rules.wait = PUMP_WAIT;
    rules.quietPasses = QUIET_PASSES;
    rules.unwatchedMs = UNWATCHED_LIMIT_MS;
    const HeadlessSession::StepResult step = m_dialog.RunStep(rules, InterruptRequested);
    if (step.interrupted) return Interrupted(m_language);
    if (step.linkLost)
        return Fail(Cause::CONNECTION_LOST, Say(m_language, Text::CONNECTION_LOST, {Say(m_language, Text::LOST_BY_PEER)}));
    Failure failure = FailureOfEnding();
    // The tool's own abort, for an instrument that fell silent: that is what
    // the user must hear, not "aborted".
    if (step.end != HeadlessDialog::StepEnd::AT_REST || step.gaveUp)
        failure = NothingCame();
    else if (m_stopRequested)
        return m_stopWith;
    const bool silence = failure.cause == Cause::NO_RESPONSE ||
                         (failure.cause == Cause::TRANSFER_ERROR && m_endReason != EndReason::REPLY_STATUS);
    if (silence && step.bytesWithoutFrame > 0)
        failure.detail = Say(m_language, Text::FRAME_NEVER_COMPLETED, {std::to_string(step.bytesWithoutFrame)});
    if (!failure.Failed() && InterruptRequested()) return Interrupted(m_language);
    return failure;
}

Failure Session::PressConnect() {
    m_dates.clear();
    m_times.clear();
    m_fileCount = 0;
    m_recordsCut = 0;
    const DeviceLink* link = m_dialog.state->link.get();
    // The dialog would wait out its reply time-out; the cause is known now.
    // Under Ctrl-C, which drops a connection attempt, what failed is the
    // user's stop, whatever the channel says.
    if (link != nullptr && !link->m_open && InterruptRequested()) return Interrupted(m_language);
    if (link != nullptr && !link->m_open) {
        const Cause cause = CauseOfChannel(link->m_openCause);
        return Fail(cause, SayCause(m_language, cause));
    }
    const Failure failure = RunStep();
    if (failure.Failed() || m_dialog.state->connected) return failure;
    return Fail(Cause::NOT_ACCEPTED, Say(m_language, Text::NOT_ACCEPTED));
}

Failure Session::ConnectTcp(const TcpTarget& target) {
    m_dialog.ConnectTcp(target);
    return PressConnect();
}

Failure Session::ConnectSerial(int comPort, const std::string& devicePath) {
    m_dialog.ConnectSerial(comPort, devicePath);
    return PressConnect();
}

void Session::Disconnect() {
    if (!m_dialog.state->connected || m_dialog.LinkLost()) return;
    m_dialog.Press(IDC_DISCONNECT);
    const auto end = std::chrono::steady_clock::now() + DISCONNECT_WAIT;
    while (m_dialog.state->link && !m_dialog.LinkLost() && std::chrono::steady_clock::now() < end)
        m_dialog.dialog.WaitAndDispatch(PUMP_WAIT);
}

Failure Session::Choose(int list, const std::string& text) {
    // What the next level listed belongs to the entry chosen before, unless
    // the click changes nothing.
    std::vector<std::string> times = m_times;
    const int count = m_fileCount;
    if (list == IDC_DATES) m_times.clear();
    m_fileCount = 0;
    if (!m_dialog.Choose(list, text)) {
        m_times = times;
        m_fileCount = count;
        return Failure();
    }
    return RunStep();
}

Failure Session::Download(const std::vector<int>& files, const std::string& folderText,
                          RetrievalObserver* listener) {
    m_listener = listener != nullptr ? listener : &m_nobody;
    m_dialog.Download(files, folderText);
    const Failure failure = RunStep();
    m_listener = &m_nobody;
    return failure;
}

Failure Session::LogSettings(const std::function<bool(LogSettingsAnswer&)>& edit, bool& shown) {
    shown = false;
    m_dialog.LogSettings([&](LogSettingsAnswer& answer) {
        shown = true;
        return edit(answer) ? 1 : 0;
    });
    const Failure failure = RunStep();
    m_dialog.ui.logSettingsAnswer = nullptr;
    return failure;
}
