// The instrument list of combo 1006: rebuilt from what the platform finds,
// then the saved COM port pre-selected.
#pragma once

#include <functional>
#include <vector>

#include "ui/UiPort.h"

struct DialogState;

void FillComPortCombo(DialogState& state, UiPort& ui);
