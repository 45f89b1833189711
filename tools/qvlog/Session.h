// Drives the dialog's own logic headless, as a user would: press Connect,
// choose a date and a start time, select files, press Download, press Abort
// on Ctrl-C. The frames, timers and messages are the dialog's.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/TcpTarget.h"
#include "link/LinkFactory.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/DialogState.h"
#include "ui/headless/HeadlessDialog.h"
#include "ui/headless/HeadlessUi.h"

enum class Outcome {
    OK = 0,
    INSTRUMENT_ERROR = 1,
    USAGE = 2,
    NO_RESPONSE = 3,
    FILE_ERROR = 4,
    ABORTED = 5,
};

class Session {
public:
    // On a REAL_CLOCK the watches run in real time. On a MANUAL_CLOCK (tests)
    // the clock jumps to the end of the next watch, or past the unwatched
    // limit, whenever the line has been quiet for a moment, so a session's
    // time-outs pass in a fraction of a second.
    explicit Session(LinkFactory& factory, HeadlessUi::ClockMode clock = HeadlessUi::REAL_CLOCK);
    ~Session();

    // Connects and waits for the catalogue's first run to be listed.
    Outcome ConnectTcp(const TcpTarget& target);
    Outcome ConnectSerial(int comPort, const std::string& devicePath);
    // Sends the disconnect and waits briefly for its reply.
    void Disconnect();

    std::vector<std::string> Dates() { return Entries(IDC_DATES); }
    std::vector<std::string> Times() { return Entries(IDC_TIMES); }
    int FileCount() { return ui.ListCount(IDC_FILES); }
    // Chooses an entry as a click in the list would; the dialog then reads
    // the next level of the catalogue.
    Outcome SelectDate(size_t index);
    Outcome SelectTime(size_t index);

    // Downloads these file numbers of the selected run into `folder`.
    Outcome Download(const std::vector<int>& files, const std::string& folder);

    // The log-settings conversation. `edit` gets the dialog's contents and
    // returns true for OK (with its changes) or false for Cancel.
    Outcome LogSettings(const std::function<bool(LogSettingsAnswer&)>& edit);

    // Called about ten times a second while the dialog works.
    std::function<void()> onTick;
    // The catalogue text of the message that ended the last step, if any.
    std::string lastMessage;

    HeadlessUi ui;
    std::unique_ptr<DialogState> state;

private:
    std::vector<std::string> Entries(int id) { return ui.control(id).entries; }
    Outcome Connected(Outcome outcome);
    // Runs the dialog until it is idle again: nothing queued, no watch
    // running, not busy. Presses Abort once on Ctrl-C.
    Outcome RunUntilSettled();
    // Manual clock: moves it to where the next watch runs out, or past the
    // unwatched limit when none runs.
    void JumpClock(uint64_t lastActivity);
    bool Busy();
    Outcome OutcomeOfMessage(const std::string& text);

    HeadlessDialog m_dialog;
    HeadlessUi::ClockMode m_clock;
    size_t m_messagesSeen = 0;
};
