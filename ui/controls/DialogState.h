// Everything the dialog side shares, in one record: reset at start-up, so
// every test starts from a fresh one. Dialog's thread only.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

#include "discovery/DeviceEntry.h"
#include "link/DeviceLink.h"
#include "link/Frame.h"
#include "link/LinkFactory.h"
#include "ui/controls/LogRecords.h"
#include "settings/Settings.h"
#include "ui/controls/ControlStates.h"

class FtdiProbe;
class RetrievalObserver;
class DeviceSetupProbe;

constexpr size_t PATH_TEXT_MAX = 260;
constexpr int NO_SEQUENCE = -1;

// Members start as a fresh dialog needs them, whether the record is a
// global, a member or made by NewDialogState.
struct DialogState {
    // Start-up and settings.
    char startDir[PATH_TEXT_MAX] = {};
    SettingsRecord settings{};

    // Instruments on USB; line i of combo 1006 is entry i.
    std::vector<DeviceEntry> deviceList;
    // Where the instruments are looked for; the platform's own when unset.
    FtdiProbe* ftdiProbe = nullptr;
    DeviceSetupProbe* deviceSetupProbe = nullptr;

    // The connection.
    LinkFactory* linkFactory = nullptr;
    std::unique_ptr<DeviceLink> link;
    bool connected = false;
    // The commands sent whose response has not come, at most one each: only
    // a response to one of them is acted on, and TIMER_REPLY runs while any
    // is left.
    std::bitset<256> awaitedReplies;
    CommandRequest requestInstance{};
    CommandRequest responseInstance{};

    // Catalogue and download.
    LogSelection selection{};
    DownloadState download{};
    bool abortRequested = false;
    // The pending abort has had its one ending (FinishAbort, or a run that
    // ended another way): blocks that still come are refused without a word.
    bool abortEnded = false;
    int32_t retryCount = 0;
    bool refreshPending = false;
    // The block kind the running sequence (dates, times, a file's data)
    // waits for, or NO_SEQUENCE: other blocks are refused.
    int blockSequence = NO_SEQUENCE;
    // The block watch runs; a block that brings nothing arms it only then.
    bool blockWatchRunning = false;
    char rememberedDate[CATALOGUE_TEXT_MAX + 1] = {};
    char rememberedTime[CATALOGUE_TEXT_MAX + 1] = {};

    // What the controls show (a ControlState).
    ControlState phase = CONTROLS_DISCONNECTED;
    // Told what the dialog logic does; the dialog itself has none.
    RetrievalObserver* observer = nullptr;

    // Log collection settings as last read or chosen.
    int logCollectionEnabled = 0;
    uint32_t logFileSize = 0;
};

// A fresh record. It is large (the selected positions of a download), so it
// lives on the heap.
std::unique_ptr<DialogState> NewDialogState();
