// The dialog logic headless over a real, threaded link, the way a user works
// it: Connect, let the catalogue come in, download every run, Disconnect.
// The timers run on a manual clock that jumps to the next watch's end once
// the line has been quiet for longer than a peer may pause, so a 180-second
// block watch takes a second or two of real time; when the dialog is busy
// and nothing watches it, the driver presses Abort as a user would. It
// measures the CPU that the process uses while it waits. Dialog's thread
// only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/ChannelLinks.h"
#include "tests/support/DialogReadout.h"
#include "ui/controls/DialogState.h"
#include "ui/headless/HeadlessSession.h"

class FaultDriver {
public:
    // Real time without a message or a byte after which the line counts as quiet.
    static constexpr int QUIET_MS = 250;
    // Real time one Settle may take before the test gives up on it.
    static constexpr int SETTLE_LIMIT_MS = 30000;

    // `observer` hears what the dialog logic does.
    explicit FaultDriver(LinkFactory* links = nullptr, RetrievalObserver* observer = nullptr);
    ~FaultDriver();
    FaultDriver(const FaultDriver&) = delete;
    FaultDriver& operator=(const FaultDriver&) = delete;

    // Presses Connect and settles: afterwards the catalogue is in, or a
    // message says why not.
    void ConnectTcp(int port);
    void ConnectSerial(const std::string& devicePath);
    // Downloads every file of every run into `folder`, run after run, and
    // stops at the first run that ends with a message.
    void DownloadEveryRun(const std::string& folder);
    // Presses Disconnect (when a link exists) and settles until the link is
    // gone, by its reply or by the reply time-out.
    void Disconnect();
    // Runs until the dialog is at rest: nothing queued, no watch running,
    // not busy. False when it did not come to rest in SETTLE_LIMIT_MS.
    bool Settle();
    // Waits `ms` of real time with the dialog idle, counted as quiet time.
    void IdleFor(int ms);
    // Handles whatever comes for `ms` of real time; the clock stands still.
    void PumpFor(int ms);
    void Press(int id) { m_session.Press(id); }

    // Called between two messages while Settle runs, as a user acts.
    std::function<void()> betweenMessages;

    int userAborts = 0;       // Abort presses the driver made
    double quietCpuMs = 0;    // CPU the process used while the line was quiet
    double quietWallMs = 0;   // the real time that was

private:
    ChannelLinkFactory m_channels;
    HeadlessSession m_session;

public:
    HeadlessUi& ui;
    std::unique_ptr<DialogState>& state;
};
