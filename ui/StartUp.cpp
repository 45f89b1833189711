#include <cstdio>

#include "link/ChannelLinks.h"
#include "retrieval/CommandRequests.h"
#include "retrieval/Commands.h"
#include "retrieval/Download.h"
#include "settings/Settings.h"
#include "ui/controls/DialogState.h"
#include "ui/MainDialog.h"

void StartUp(DialogState& state, const char* currentDirectory) {
    static ChannelLinkFactory channelLinks;
    if (state.linkFactory == nullptr) state.linkFactory = &channelLinks;
    std::snprintf(state.startDir, sizeof state.startDir, "%s", currentDirectory);
    // Without a usable path (left empty) the defaults serve and nothing is written.
    char path[SETTINGS_PATH_SIZE];
    BuildSettingsPath(state.startDir, path);
    ReadConnectionSettings(path, state.settings.connection);
    ReadLogSettings(path, state.startDir, state.settings.savePath);
    ReadWindowSettings(path, state.settings.windowPosition);
}

void OnDestroy(DialogState& state, UiPort& ui) {
    // Straight through the link: the posted disconnect dies with the window.
    if (state.connected && state.link && state.link->m_open)
        state.link->SendFrame(SYNC_REQUEST, CMD_DISCONNECT, 0, 0, nullptr);
    CloseOutputFile(state);
    ReleaseLink(state);
    if (state.startDir[0] == 0) return;  // never started from a folder: nothing to save
    SaveSettings(state.startDir, ui.GetPlacement(), state.settings);
}
