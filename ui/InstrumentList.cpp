#include "ui/InstrumentList.h"

#include "ui/ControlIds.h"
#include "ui/DialogState.h"

void FillComPortCombo(DialogState& state, UiPort& ui) {
    state.deviceList.clear();
    if (state.enumerateDevices) state.deviceList = state.enumerateDevices();
    ui.ResetList(IDC_COM_PORT);
    int selected = 0;
    for (size_t i = 0; i < state.deviceList.size(); ++i) {
        ui.AddListEntry(IDC_COM_PORT, state.deviceList[i].label.c_str());
        if (state.deviceList[i].comPort == state.connection.com) selected = static_cast<int>(i);
    }
    ui.SetListSelection(IDC_COM_PORT, state.deviceList.empty() ? -1 : selected);
}
