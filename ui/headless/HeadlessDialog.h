// Runs the main dialog's logic over a HeadlessUi: the message loop that a
// real dialog gets from the platform.
#pragma once

#include <chrono>
#include <functional>

#include "ui/headless/HeadlessUi.h"

struct DialogState;

class HeadlessDialog {
public:
    HeadlessDialog(DialogState& state, HeadlessUi& ui) : m_state(state), m_ui(ui) {}

    // Handles one posted message, or else one due timer; false when neither
    // was waiting.
    bool DispatchOne();
    // Real clock: waits up to `wait` for a message or the next timer, then
    // dispatches it. False when nothing came in that time.
    bool WaitAndDispatch(std::chrono::milliseconds wait);
    // Presses a control: a WM_COMMAND with the id and notification code.
    bool Command(int id, uint32_t notification = 0);

private:
    DialogState& m_state;
    HeadlessUi& m_ui;
};
