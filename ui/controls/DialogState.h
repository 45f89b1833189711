// Everything the dialog side shares, in one record: reset at start-up, so
// every test starts from a fresh one. Dialog's thread only.
#pragma once

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
class DeviceSetupProbe;

constexpr size_t PATH_TEXT_MAX = 260;
constexpr int NO_REQUEST = -1;
constexpr int NO_SEQUENCE = -1;

struct DialogState {
    // Start-up and settings.
    char startDir[PATH_TEXT_MAX];
    SettingsRecord settings;

    // Instruments on USB; line i of combo 1006 is entry i.
    std::vector<DeviceEntry> deviceList;
    // Where the instruments are looked for; the platform's own when unset.
    FtdiProbe* ftdiProbe;
    DeviceSetupProbe* deviceSetupProbe;

    // The connection.
    LinkFactory* linkFactory;
    std::unique_ptr<DeviceLink> link;
    bool connected;
    // The command of the request sent last whose response has not come
    // (NO_REQUEST): only that response is acted on.
    int outstandingRequest;
    CommandRequest requestInstance;
    CommandRequest responseInstance;

    // Catalogue and download.
    LogSelection selection;
    DownloadState download;
    bool abortRequested;
    int32_t retryCount;
    bool refreshPending;
    // The block kind the running sequence (dates, times, a file's data)
    // waits for, or NO_SEQUENCE: other blocks are refused.
    int blockSequence;
    char rememberedDate[CATALOGUE_TEXT_MAX + 1];
    char rememberedTime[CATALOGUE_TEXT_MAX + 1];

    // What the controls show (a ControlState) and the last catalogue
    // message shown (-1 none), with a count so a repeat is seen as new.
    ControlState phase;
    int lastMessage;
    uint32_t messagesShown;

    // Log collection settings as last read or chosen.
    int logCollectionEnabled;
    uint32_t logFileSize;
};

// A fresh record. It is large (the selected positions of a download), so it
// lives on the heap.
std::unique_ptr<DialogState> NewDialogState();
