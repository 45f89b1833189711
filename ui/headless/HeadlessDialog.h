// Runs the main dialog's logic over a HeadlessUi: the message loop that a
// real dialog gets from the platform, and the one driver that qvlog and the
// tests use to work it as a user would: press a control, then handle what
// comes until the dialog is at rest again.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "ui/headless/HeadlessUi.h"

struct DialogState;

class HeadlessDialog {
public:
    // Runs what is ready under each of the UI's message boxes, as the real
    // box's message loop does.
    HeadlessDialog(DialogState& state, HeadlessUi& ui);
    ~HeadlessDialog();
    HeadlessDialog(const HeadlessDialog&) = delete;
    HeadlessDialog& operator=(const HeadlessDialog&) = delete;

    // Handles one posted message, or else one due timer, or else the bytes
    // of a link without a parser thread; false when none was waiting.
    bool DispatchOne();
    // Real clock: waits up to `wait` for a message or the next timer, then
    // dispatches it. False when nothing came in that time.
    bool WaitAndDispatch(std::chrono::milliseconds wait);
    // Presses a control: a WM_COMMAND with the id and notification code.
    bool Command(int id, uint32_t notification = 0);

    // Handles everything that is ready, without moving the clock. False when
    // it never came to rest (a peer that never stops).
    bool Settle();
    // Manual clock: moves it forward by `milliseconds`, firing each timer at
    // its time and settling in between.
    void Advance(uint64_t milliseconds);

    // Busy (only Abort enabled) or aborting.
    bool Busy() const;
    // Nothing queued, no watch running, not busy: a step has ended.
    bool AtRest() const;

    // How a step is run to its end.
    struct StepRules {
        std::chrono::milliseconds wait{100};  // longest wait of one pass, real time
        // Passes without a message or a received byte that make the line quiet.
        int quietPasses = 2;
        // Manual clock: real time without a received byte before the clock
        // may jump. A peer that only paused (a loaded machine, a stopped
        // process) answers within it, before its watch is made to run out.
        std::chrono::milliseconds longestPeerPause{1500};
        // A busy dialog that nothing watches (a reply of status 0 with no
        // blocks after it) waits for its user forever; after this long the
        // driver presses Abort for it, once.
        uint64_t unwatchedMs = 0;
        std::chrono::milliseconds realLimit{0};  // 0: none
        std::function<bool()> beforePass;        // true ends the step at once
        std::function<bool(bool handled)> afterPass;
        std::function<void()> onQuiet;  // the line went quiet; the clock may jump next
    };
    enum class StepEnd { AT_REST, ENDED_BY_CALLER, ABANDONED, OUT_OF_TIME };
    // Handles what comes until the dialog is at rest. On a manual clock a
    // line that stays quiet past the longest peer pause (or is lost) moves
    // the clock to the end of the next watch (or of the unwatched time), so
    // a 180-second block watch passes in a moment.
    // ABANDONED: busy, nothing watching, and the driver's Abort changed
    // nothing.
    StepEnd RunStep(const StepRules& rules);
    // Abort presses RunStep made for a dialog that nothing watched.
    int abortsPressed = 0;

private:
    // A reply is awaited that no watch covers (a connect refused).
    bool WaitsUntimed() const;

    DialogState& m_state;
    HeadlessUi& m_ui;
};
