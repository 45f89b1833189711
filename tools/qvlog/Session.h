// Drives the dialog's own logic headless, as a user would: press Connect,
// choose a date and a start time, select files, press Download, press Abort
// on Ctrl-C. The frames, timers and messages are the dialog's; what ended a
// step is read from the dialog's state (its phase and its last message) and
// from the link (a channel that never opened, or one that was lost).
// Dialog's thread only.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/TcpTarget.h"
#include "link/LinkFactory.h"
#include "tools/qvlog/Outcome.h"
#include "tools/qvlog/Texts.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/DialogState.h"
#include "ui/headless/HeadlessDialog.h"
#include "ui/headless/HeadlessUi.h"

// The headless dialog, counting the data blocks the dialog refuses and the
// bytes of the whole frames the link hands it.
class SessionUi : public HeadlessUi {
public:
    explicit SessionUi(ClockMode mode) : HeadlessUi(mode) {}
    bool PostDialogMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    // ACK_CANCEL answers posted so far. Only the dialog's thread posts them.
    uint32_t refusals = 0;
    // Wire bytes of the frames posted so far; the link's thread posts them.
    std::atomic<uint64_t> frameBytes{0};
};

// True when a catalogue list holds nothing but the dialog's "none".
bool ListsNone(const std::vector<std::string>& entries);

class Session {
public:
    // On a REAL_CLOCK the watches run in real time. On a MANUAL_CLOCK (tests)
    // the clock jumps to the end of the next watch, or past the unwatched
    // limit, whenever the line has been quiet for a moment, so a session's
    // time-outs pass in a fraction of a second.
    explicit Session(LinkFactory& factory, HeadlessUi::ClockMode clock = HeadlessUi::REAL_CLOCK,
                     Language language = Language::ENGLISH);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Connects and waits for the catalogue's first run to be listed. A
    // channel that cannot be opened fails at once, with the system's reason.
    Failure ConnectTcp(const TcpTarget& target);
    Failure ConnectSerial(int comPort, const std::string& devicePath);
    // Sends the disconnect and waits briefly for its reply.
    void Disconnect();

    std::vector<std::string> Dates() { return Entries(IDC_DATES); }
    std::vector<std::string> Times() { return Entries(IDC_TIMES); }
    int FileCount() { return ui.ListCount(IDC_FILES); }
    // Chooses entry `index` of the dates or times list (IDC_DATES,
    // IDC_TIMES) as a click would, unless it is chosen already; the dialog
    // then reads the next level of the catalogue.
    Failure Select(int list, size_t index);

    // Downloads these file numbers of the selected run; `folder` is the save
    // folder as the dialog's text.
    Failure Download(const std::vector<int>& files, const std::string& folder);

    // The log-settings conversation. `edit` gets the dialog's contents and
    // returns true for OK (with its changes) or false for Cancel.
    Failure LogSettings(const std::function<bool(LogSettingsAnswer&)>& edit);

    // Asks the running step to end with `why`: presses Abort when the dialog
    // allows it; the step then reports `why` instead of the abort.
    void Stop(const Failure& why);
    // Presses Abort when the dialog allows it; the step ends as the dialog
    // ends the abort.
    void PressAbort();

    // Called after every message the dialog handles while a step runs.
    std::function<void()> onTick;

    SessionUi ui;
    std::unique_ptr<DialogState> state;

private:
    std::vector<std::string> Entries(int id) { return ui.control(id).entries; }
    // Presses Connect and waits for the catalogue, or for the reason there
    // is none.
    Failure PressConnect();
    Failure OpenFailure();
    // Runs the dialog until it is idle again: nothing queued, no watch
    // running, not busy. Presses Abort once on Ctrl-C.
    Failure RunUntilSettled();
    // The instrument fell silent where nothing watches it.
    Failure NothingCame() const;
    // Bytes received that made no whole frame; 0 once the link is closed.
    uint64_t BytesWithoutFrame() const;
    // A watch that ran out, or the tool's own give-up, on a frame that
    // began and never completed: says so instead of "nothing came".
    void TellUnfinishedFrame(Failure& failure, uint64_t bytes) const;
    bool LinkLost() const;
    Failure FailureOfMessage(int number) const;

    HeadlessDialog m_dialog;
    Language m_language;
    uint32_t m_messagesSeen = 0;
    bool m_stopRequested = false;
    Failure m_stopWith;
};
