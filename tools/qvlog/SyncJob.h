// One instrument of a sync: its folder locked, connected, every file that
// is not complete there fetched (the newest run's last file checked for
// growth), connecting again after failures worth it. Runs on a thread of
// its own; what it says goes to the sync's output, each line named for the
// instrument.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "tools/qvlog/FleetFile.h"
#include "tools/qvlog/Report.h"
#include "tools/qvlog/Tool.h"

struct SyncResult {
    std::string name, connection, folder;  // UTF-8
    Report report;                         // files fetched, attempts, failure, partials
    bool busy = false;                     // another sync held the folder
    double seconds = 0;
    // Live, for the status lines while it runs; startTime is set before
    // `started` is.
    std::chrono::steady_clock::time_point startTime;
    std::atomic<bool> started{false}, finished{false};
    std::atomic<int> files{0};
    std::atomic<uint64_t> bytes{0};  // of the files done and the one in hand

    // "complete", "failed", "busy" or "aborted".
    const char* OutcomeWord() const;
    uint64_t FileBytes() const;
};

// Names the result for the instrument, before any job runs: the status
// lines read the names while the jobs work.
void NameSyncResult(const FleetInstrument& instrument, SyncResult& result);

// `environment` gives the links, clock, language and pause; its output is
// where the job's lines go (prefixed with the instrument's name), unless
// `quiet`: on a terminal the sync draws its own status lines instead.
void RunSyncJob(const FleetInstrument& instrument, int retries, const Environment& environment, bool quiet,
                SyncResult& result);
