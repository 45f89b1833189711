// qvlog's session with one instrument: the headless dialog worked as its
// user works it, and what its logic tells of itself heard as it happens.
// Each step (connect, choose a date or start time, download, the log
// settings) runs until the dialog is at rest and ends with what happened:
// nothing, or a failure with the dialog's message and qvlog's cause.
// Dialog's thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "comm/TcpTarget.h"
#include "link/LinkFactory.h"
#include "retrieval/RetrievalObserver.h"
#include "tools/qvlog/Outcome.h"
#include "ui/headless/HeadlessSession.h"

class Session : private RetrievalObserver {
public:
    // On a REAL_CLOCK the watches run in real time. On a MANUAL_CLOCK (tests)
    // the clock jumps to the end of the next watch once the line has been
    // quiet for longer than a peer may pause, so time-outs pass at once.
    explicit Session(LinkFactory& factory, HeadlessUi::ClockMode clock = HeadlessUi::REAL_CLOCK,
                     Language language = Language::ENGLISH);
    // The dialog is closed after the rest of this is gone: it tells nothing more.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Connects and waits for the catalogue's first run to be listed. A
    // channel that cannot be opened fails at once, with the system's reason.
    Failure ConnectTcp(const TcpTarget& target);
    Failure ConnectSerial(int comPort, const std::string& devicePath);
    // The instrument accepted the connection and the line still stands.
    bool Connected() const { return m_dialog.state->connected && !m_dialog.LinkLost(); }
    // Sends the disconnect and waits briefly for its reply.
    void Disconnect();

    // The catalogue as the instrument listed it, each entry in the text the
    // dialog shows ("YYYY/MM/DD", "HH:MM:SS") and in the order of its sorted
    // lists: the dates, the start times of the date chosen last, the file
    // count of the run chosen last. The dialog chooses the first of each.
    const std::vector<std::string>& Dates() const { return m_dates; }
    const std::vector<std::string>& Times() const { return m_times; }
    int FileCount() const { return m_fileCount; }
    // Records of the dates or times lists dropped as cut short, so far.
    uint32_t RecordsCut() const { return m_recordsCut; }
    // Clicks the entry of the dates or times list that shows `text`; the
    // dialog then reads the next level of the catalogue.
    Failure Choose(int list, const std::string& text);

    // Downloads these file numbers of the chosen run into `folderText`, the
    // save folder as the dialog's text. `listener` hears of every file as
    // the dialog works on it.
    Failure Download(const std::vector<int>& files, const std::string& folderText,
                     RetrievalObserver* listener = nullptr);

    // The log-settings conversation. `edit` gets the dialog's contents and
    // returns true for OK (with its changes) or false for Cancel. `shown`
    // tells whether the box was ever shown.
    Failure LogSettings(const std::function<bool(LogSettingsAnswer&)>& edit, bool& shown);
    bool LogCollectionEnabled() const { return m_dialog.state->logCollectionEnabled != 0; }
    uint32_t LogFileSize() const { return m_dialog.state->logFileSize; }

    // Ends the running step with `why`: Abort is pressed, once the message
    // in hand is handled, when the dialog allows it; the step then reports
    // `why` instead of the abort.
    void Stop(const Failure& why);
    // Presses Abort likewise; the step ends as the dialog ends the abort.
    void PressAbort() { m_dialog.AbortSoon(); }

private:
    // RetrievalObserver: the catalogue, the endings; files go to the listener.
    void DateListed(uint16_t year, uint8_t month, uint8_t day) override;
    void TimeListed(uint8_t hour, uint8_t minute, uint8_t second) override;
    void RecordCut() override { ++m_recordsCut; }
    void FilesCounted(const LogSelection& run, int count) override;
    void FileStarted(const LogSelection& file, const char* path, uint32_t size) override {
        m_listener->FileStarted(file, path, size);
    }
    void BlockWritten(uint32_t received, uint32_t size) override { m_listener->BlockWritten(received, size); }
    void FileFinished(const char* path, uint32_t bytes) override { m_listener->FileFinished(path, bytes); }
    void FileLeft(const char* partialPath, uint32_t bytes, OutputProblem why) override {
        m_listener->FileLeft(partialPath, bytes, why);
    }
    void BlockRefused() override { m_listener->BlockRefused(); }
    void Ended(EndReason reason, int message, int replyStatus) override;

    Failure PressConnect();
    // Runs the dialog until it is at rest again. Presses Abort once on Ctrl-C.
    Failure RunStep();
    Failure FailureOfEnding() const;
    Failure NothingCame() const;

    HeadlessSession m_dialog;
    Language m_language;
    std::vector<std::string> m_dates, m_times;
    int m_fileCount = 0;
    uint32_t m_recordsCut = 0;
    RetrievalObserver m_nobody;  // the listener outside a download
    RetrievalObserver* m_listener = &m_nobody;
    // The step's ending as the dialog told it; a reason without a message
    // (a finished run) leaves message -1.
    bool m_ended = false;
    EndReason m_endReason = EndReason::FINISHED;
    int m_endMessage = -1;
    int m_endStatus = -1;
    bool m_stopRequested = false;
    Failure m_stopWith;
};
