// The main dialog's logic, independent of how the dialog is drawn: start-up,
// the message handler, the command dispatch and the timer dispatch. A
// platform's dialog procedure forwards to these.
#pragma once

#include <cstdint>

#include "ui/controls/UiPort.h"

struct DialogState;

// Takes `currentDirectory` as the start folder, reads setting.ini there
// (defaults written back) and gives the state the real channels unless a
// test set a link factory first. It resets nothing: a fresh state comes from
// NewDialogState.
void StartUp(DialogState& state, const char* currentDirectory);

// WM_INITDIALOG: positions the dialog and fills its controls.
void InitMainDialog(DialogState& state, UiPort& ui);

// WM_COMMAND; true when the control id is one the dialog handles.
bool OnCommand(DialogState& state, UiPort& ui, uintptr_t wParam);

// The four application messages (WM_APP_...); true when handled.
bool OnAppMessage(DialogState& state, UiPort& ui, uint32_t message, uintptr_t wParam,
                  intptr_t lParam);

// A one-shot timer fired: kills it, then dispatches by id.
void DialogTimerProc(DialogState& state, UiPort& ui, uint32_t timerId);

// WM_DESTROY: the one disconnect frame when connected, then the settings.
void OnDestroy(DialogState& state, UiPort& ui);
