// What a sync tells: a status line per instrument while it runs (on a
// terminal), and at the end a table or one JSON document.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tools/qvlog/SyncJob.h"
#include "tools/qvlog/Texts.h"

using SyncResults = std::vector<std::unique_ptr<SyncResult>>;

// One line: name, files and bytes so far, rate since the instrument began;
// or how it ended.
std::string SyncStatusLine(const SyncResult& result, size_t nameWidth, std::chrono::steady_clock::time_point now,
                           Language language);
// The status lines to draw in place on a terminal of `rows` (0: not known):
// one per instrument; or, when they would not fit, with a row left for the
// cursor, those of the instruments at work and a line of totals.
std::vector<std::string> SyncStatusLines(const SyncResults& results, size_t rows,
                                         std::chrono::steady_clock::time_point now, Language language);
// How an instrument ended, as a line of its own: outcome with its cause,
// new files, bytes, time.
std::string SyncEndLine(const SyncResult& result, Language language);
// Instrument, new files, bytes, time, outcome with its cause; then totals.
std::string SyncTable(const SyncResults& results, Language language);
std::string SyncJson(const SyncResults& results, const std::string& fleetFile, int exit, double seconds);
// Columns a UTF-8 text takes on a terminal: East Asian wide characters two.
size_t DisplayWidth(const std::string& utf8);
