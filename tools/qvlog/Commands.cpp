#include "tools/qvlog/Commands.h"

#include <cstdio>
#include <string>
#include <vector>

#include "tools/qvlog/Session.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

bool IsNone(const std::vector<std::string>& entries) {
    return entries.empty() || (entries.size() == 1 && entries[0] == "none");
}

Failure Select(Session& session, bool date, size_t index) {
    if (session.ui.ListSelection(date ? IDC_DATES : IDC_TIMES) == static_cast<int>(index)) return Failure();
    return date ? session.SelectDate(index) : session.SelectTime(index);
}

// A dialog that closed without ever opening the settings box: the read failed.
Failure NotRead(const Failure& failure, bool shown) {
    if (failure.Failed() || shown) return failure;
    return Fail(Outcome::INSTRUMENT_ERROR, Cause::INSTRUMENT_REFUSED, "settings not read", "",
                MSG_SETTINGS_READ_FAILED);
}

void KeepSettings(Session& session, Report& report) {
    report.hasSettings = true;
    report.collect = session.state->logCollectionEnabled != 0;
    report.sizeBytes = session.state->logFileSize;
}

}  // namespace

Failure ListRuns(Session& session, Report& report) {
    report.runs.clear();
    const std::vector<std::string> dates = session.Dates();
    if (IsNone(dates)) return Failure();
    for (size_t d = 0; d < dates.size(); ++d) {
        Failure failure = Select(session, true, d);
        if (failure.Failed()) return failure;
        const std::vector<std::string> times = session.Times();
        if (IsNone(times)) continue;
        for (size_t t = 0; t < times.size(); ++t) {
            failure = Select(session, false, t);
            if (failure.Failed()) return failure;
            report.runs.push_back(RunRecord{dates[d], times[t], session.FileCount()});
        }
    }
    return Failure();
}

Failure ReadSettings(Session& session, Report& report) {
    bool shown = false;
    const Failure step = session.LogSettings([&](LogSettingsAnswer&) {
        shown = true;
        return false;  // Cancel: nothing is written
    });
    const Failure failure = NotRead(step, shown);
    if (!failure.Failed()) KeepSettings(session, report);
    return failure;
}

Failure WriteSettings(Session& session, const Options& options, Report& report) {
    bool shown = false;
    const Failure step = session.LogSettings([&](LogSettingsAnswer& answer) {
        shown = true;
        if (options.collect >= 0) answer.collect = options.collect == 1;
        if (options.sizeGiven) std::snprintf(answer.sizeText, sizeof answer.sizeText, "%lld", options.sizeKb);
        return true;
    });
    const Failure failure = NotRead(step, shown);
    if (!failure.Failed()) KeepSettings(session, report);
    return failure;
}
