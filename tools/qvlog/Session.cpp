#include "tools/qvlog/Session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

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
    std::snprintf(text, sizeof text, "%04u/%02u/%02u", year, month, day);
    return text;
}

std::string TimeText(unsigned hour, unsigned minute, unsigned second) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", hour, minute, second);
    return text;
}

}  // namespace

Session::Session(LinkFactory& factory, HeadlessUi::ClockMode clock, Language language)
    : m_dialog(factory, clock, this), m_language(language) {}

void Session::DateListed(uint16_t year, uint8_t month, uint8_t day) {
    const std::string text = DateText(year, month, day);
    m_dates.insert(std::upper_bound(m_dates.begin(), m_dates.end(), text), text);
}

void Session::TimeListed(uint8_t hour, uint8_t minute, uint8_t second) {
    const std::string text = TimeText(hour, minute, second);
    m_times.insert(std::upper_bound(m_times.begin(), m_times.end(), text), text);
}

void Session::FilesCounted(const LogSelection&, int count) { m_fileCount = count; }

void Session::FileStarted(const LogSelection& file, const char* path, uint32_t size) {
    if (m_listener != nullptr) m_listener->FileStarted(file, path, size);
}

void Session::BlockWritten(uint32_t received, uint32_t size) {
    if (m_listener != nullptr) m_listener->BlockWritten(received, size);
}

void Session::FileFinished(const char* path, uint32_t bytes) {
    if (m_listener != nullptr) m_listener->FileFinished(path, bytes);
}

void Session::FileLeft(const char* partialPath, uint32_t bytes, OutputProblem why) {
    if (m_listener != nullptr) m_listener->FileLeft(partialPath, bytes, why);
}

void Session::BlockRefused() {
    if (m_listener != nullptr) m_listener->BlockRefused();
}

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

uint64_t Session::BytesWithoutFrame() const {
    const DeviceLink* link = m_dialog.state->link.get();
    if (link == nullptr) return 0;
    const uint64_t received = link->BytesReceived(), framed = link->BytesInFrames();
    return received > framed ? received - framed : 0;
}

void Session::Stop(const Failure& why) {
    if (m_stopRequested) return;
    m_stopRequested = true;
    m_stopWith = why;
    PressAbort();
}

Failure Session::RunStep() {
    DialogState& state = *m_dialog.state;
    m_stopRequested = false;
    m_abortWanted = false;
    m_ended = false;
    bool userAbort = false;
    bool lostBefore = false;
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
            if (state.phase == CONTROLS_BUSY) {
                m_dialog.Press(IDC_ABORT);
            } else if (!m_dialog.dialog.Busy()) {
                endedWith = Interrupted(m_language);
                return true;
            }
        }
        lostBefore = m_dialog.LinkLost();
        return false;
    };
    rules.afterPass = [&](bool handled) {
        // Lost before this pass and nothing more to handle after it: the
        // parser has had its passes over whatever the channel took in.
        if (!handled && lostBefore && m_dialog.ui.queue().Size() == 0) {
            endedWith = Fail(Cause::CONNECTION_LOST,
                             Say(m_language, Text::CONNECTION_LOST, {Say(m_language, Text::LOST_BY_PEER)}));
            return true;
        }
        if (state.link && state.link->BytesReceived() > 0) unframed = BytesWithoutFrame();
        // Pressed between messages, never inside the dialog's handling of one.
        if (m_abortWanted && state.phase == CONTROLS_BUSY) m_dialog.Press(IDC_ABORT);
        m_abortWanted = false;
        return false;
    };
    const int abortsBefore = m_dialog.dialog.abortsPressed;
    const HeadlessDialog::StepEnd end = m_dialog.dialog.RunStep(rules);
    if (end == HeadlessDialog::StepEnd::ENDED_BY_CALLER) return endedWith;
    Failure failure = FailureOfEnding();
    // The tool's own abort, for an instrument that fell silent: that is what
    // the user must hear, not "aborted".
    if (end != HeadlessDialog::StepEnd::AT_REST || m_dialog.dialog.abortsPressed != abortsBefore)
        failure = NothingCame();
    else if (m_stopRequested)
        return m_stopWith;
    const bool silence = failure.cause == Cause::NO_RESPONSE ||
                         (failure.cause == Cause::TRANSFER_ERROR && m_endReason != EndReason::REPLY_STATUS);
    if (silence && unframed > unframedBefore)
        failure.detail = Say(m_language, Text::FRAME_NEVER_COMPLETED, {std::to_string(unframed - unframedBefore)});
    if (!failure.Failed() && userAbort) return Interrupted(m_language);
    return failure;
}

Failure Session::PressConnect() {
    m_dates.clear();
    m_times.clear();
    m_fileCount = 0;
    m_recordsCut = 0;
    const DeviceLink* link = m_dialog.state->link.get();
    // The dialog would wait out its reply time-out; the cause is known now.
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
    m_listener = listener;
    m_dialog.Download(files, folderText);
    const Failure failure = RunStep();
    m_listener = nullptr;
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
