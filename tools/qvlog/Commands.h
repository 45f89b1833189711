// qvlog's commands other than download, each one attempt's work over a
// connected session; what they read goes into the report.
#pragma once

#include "tools/qvlog/Options.h"
#include "tools/qvlog/Outcome.h"
#include "tools/qvlog/Report.h"

class Session;

// Every date, its start times and each run's file count; an entry the
// dialog cannot ask for is left out, and fails the command at the end.
Failure ListRuns(Session& session, Report& report, Language language);
// The log-settings dialog opened and cancelled.
Failure ReadSettings(Session& session, Report& report);
// The log-settings dialog opened, changed as the options say, and confirmed.
Failure WriteSettings(Session& session, const Options& options, Report& report);
