// Connecting, and connecting again: a command's work runs over a fresh
// session; after a failure worth retrying qvlog waits 1 s, 2 s, 4 s, ...
// and runs it again over a new connection, going on from where it failed.
#pragma once

#include <functional>

#include "tools/qvlog/Connection.h"
#include "tools/qvlog/Outcome.h"
#include "tools/qvlog/Report.h"
#include "tools/qvlog/Tool.h"

class Session;

// The work of one attempt over a connected session. It sets `progress` when
// it completed something that a later attempt need not do again.
using AttemptWork = std::function<Failure(Session& session, bool& progress)>;

// Gives up after `retries` failed attempts in a row without progress, or at
// the first failure not worth retrying. Each failed attempt that is retried
// is told on stderr and kept in the report. Work that needs no catalogue
// (the log settings) goes on after the instrument refused to list one, or
// never sent it, as the dialog's user can.
Failure WithRetries(Environment& environment, const ConnectionChoice& choice, int retries, Report& report,
                    const AttemptWork& work, bool needsCatalogue = true);

// The wait before retry number `retry` (1, 2, ...): 1 s, 2 s, 4 s, up to 30 s.
int RetryWaitSeconds(int retry);
