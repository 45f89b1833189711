// The dialog with no screen, worked the way its user works it: the main
// dialog's logic over a HeadlessUi, connected over TCP or a serial port by
// filling in the controls and pressing Connect, a run chosen by clicking
// its date and start time, files selected and Download pressed. The one
// driver of qvlog, the fault matrix and the conversation tests; how a step
// is run to its end is theirs (HeadlessDialog::RunStep). Dialog's thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/TcpTarget.h"
#include "link/LinkFactory.h"
#include "ui/controls/DialogState.h"
#include "ui/headless/HeadlessDialog.h"
#include "ui/headless/HeadlessUi.h"

class HeadlessSession {
public:
    // `observer` hears what the dialog logic does; null for none.
    HeadlessSession(LinkFactory& links, HeadlessUi::ClockMode clock, RetrievalObserver* observer = nullptr);
    // Closes the dialog: its one disconnect frame when connected.
    ~HeadlessSession();
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    // Enters the connection into the dialog and presses Connect; the step
    // that follows is the caller's to run.
    void ConnectTcp(const TcpTarget& target);
    void ConnectSerial(int comPort, const std::string& devicePath);
    // Clicks the entry of the dates or times combo that shows `text`; false,
    // with nothing pressed, when none does or it is chosen already.
    bool Choose(int list, const std::string& text);
    // Selects exactly these entries of the file list, enters the save
    // folder (the dialog's own text) and presses Download.
    void Download(const std::vector<int>& files, const std::string& folderText);
    // Presses the log-settings button; `edit` answers the settings box.
    void LogSettings(std::function<int(LogSettingsAnswer&)> edit);
    void Press(int id, uint32_t notification = 0) { dialog.Command(id, notification); }
    // Presses Abort between two messages of the running step, if the dialog
    // then takes it: never inside the dialog's handling of a message.
    void AbortSoon() { m_abortSoon = true; }
    // The link's channel ended under it (the peer hung up, the device went).
    bool LinkLost() const;

    // How a step ended, beyond the dialog coming to rest.
    struct StepResult {
        HeadlessDialog::StepEnd end = HeadlessDialog::StepEnd::AT_REST;
        bool linkLost = false;     // ended: the channel gone, nothing left to handle
        bool interrupted = false;  // ended: `interrupt` said so while nothing ran
        bool gaveUp = false;       // the driver pressed Abort for a dialog nothing watched
        uint64_t bytesWithoutFrame = 0;  // received during the step, never a whole frame
    };
    // Runs the dialog until it is at rest, as HeadlessDialog::RunStep does,
    // but ends at once when the link is lost and nothing is left to handle.
    // When `interrupt` first returns true, Abort is pressed if the dialog is
    // busy, and the step ends at once if nothing runs.
    StepResult RunStep(HeadlessDialog::StepRules rules, const std::function<bool()>& interrupt = nullptr);

    HeadlessUi ui;
    std::unique_ptr<DialogState> state;
    HeadlessDialog dialog;

private:
    uint64_t BytesWithoutFrame() const;
    bool m_abortSoon = false;
};
