// What the dialog lets the user do in each phase, which connection controls
// it shows, and the five progress widgets.
#pragma once

#include <cstdint>

#include "settings/Settings.h"
#include "ui/controls/UiPort.h"

struct DialogState;


void SetConnectionMethod(UiPort& ui, int method);
// The dialog's phase, as the controls show it. Drivers read it from the
// dialog's state rather than from which buttons are enabled.
enum ControlState : int {
    CONTROLS_DISCONNECTED = 0,
    CONTROLS_IDLE = 1,
    CONTROLS_BUSY = 2,      // only Abort
    CONTROLS_ABORTING = 3,  // nothing
};

// Sets the controls of `phase` and records it in the dialog's state.
void SetControlState(DialogState& state, UiPort& ui, ControlState phase);
void ShowProgressWidgets(UiPort& ui, bool show);
// 1 normal, 2 error, 3 paused; anything else counts as 1.
void SetProgressStatus(const DialogState& state, UiPort& ui, int kind);
void ShowByteProgress(UiPort& ui, uint32_t received, uint32_t total, uint16_t fileNumber);
void ShowFileCount(const DialogState& state, UiPort& ui, int32_t done);

// The download's current file number, as the status text shows it.
int CurrentFileNumber(const DialogState& state);
