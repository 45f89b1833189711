// What the dialog lets the user do in each phase, which connection controls
// it shows, and the five progress widgets.
#pragma once

#include <cstdint>

#include "settings/Settings.h"
#include "ui/UiPort.h"

struct DialogState;


void SetConnectionMethod(UiPort& ui, int method);
// 0 not connected, 1 idle, 2 busy (only Abort), 3 aborting (nothing).
void SetControlState(UiPort& ui, int state);
void ShowProgressWidgets(UiPort& ui, bool show);
// 1 normal, 2 error, 3 paused; anything else counts as 1.
void SetProgressStatus(const DialogState& state, UiPort& ui, int kind);
void ShowByteProgress(UiPort& ui, uint32_t received, uint32_t total, uint16_t fileNumber);
void ShowFileCount(const DialogState& state, UiPort& ui, int32_t done);

// The download's current file number, as the status text shows it.
int CurrentFileNumber(const DialogState& state);
