// qvlog sync: every instrument of the fleet file pulled, at most `jobs` at
// once, one instrument's failure never stopping the others; then one report.
// Exit status 0 when every instrument is complete, 6 when one is not, 2 for
// a usage or fleet-file error, 5 when stopped by Ctrl-C.
#pragma once

#include "tools/qvlog/Options.h"
#include "tools/qvlog/Tool.h"

constexpr int SYNC_NOT_COMPLETE_EXIT = 6;

int RunSync(const Options& options, Environment& environment);
