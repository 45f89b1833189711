#include "ui/InstrumentList.h"

#include "discovery/DeviceList.h"
#include "ui/DialogState.h"

void FillComPortCombo(DialogState& state, UiPort& ui) {
    if (state.ftdiProbe != nullptr && state.deviceSetupProbe != nullptr)
        FillComPortCombo(ui, state.deviceList, state.settings.connection.com, *state.ftdiProbe,
                         *state.deviceSetupProbe);
    else
        FillComPortCombo(ui, state.deviceList, state.settings.connection.com);
}
