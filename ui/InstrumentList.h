// The instrument list of combo 1006, looked for where the dialog state says.
#pragma once

#include "ui/UiPort.h"

struct DialogState;

void FillComPortCombo(DialogState& state, UiPort& ui);
