#include "tools/qvlog/Commands.h"

#include <cstdio>
#include <string>
#include <vector>

#include "tools/qvlog/CatalogueCheck.h"
#include "tools/qvlog/Session.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

// How a settings conversation ended; what it read goes into the report. A
// dialog that closed without ever opening the settings box: the read failed.
Failure SettingsRead(Session& session, Report& report, const Failure& step, bool shown) {
    if (step.Failed()) return step;
    if (!shown)
        return Fail(Outcome::INSTRUMENT_ERROR, Cause::INSTRUMENT_REFUSED, "settings not read", "",
                    MSG_SETTINGS_READ_FAILED);
    report.hasSettings = true;
    report.collect = session.state->logCollectionEnabled != 0;
    report.sizeBytes = session.state->logFileSize;
    return step;
}

}  // namespace

Failure ListRuns(Session& session, Report& report, Language language) {
    report.runs.clear();
    CatalogueCheck check(language);
    const std::vector<std::string> dates = session.Dates();
    check.NoteRecordsCut(session.state->catalogueRecordsCut);
    if (ListsNone(dates)) return check.Result();
    for (size_t d = 0; d < dates.size(); ++d) {
        if (!check.DateUsable(dates[d])) continue;
        Failure failure = session.Select(IDC_DATES, d);
        if (failure.Failed()) return failure;
        const std::vector<std::string> times = session.Times();
        check.NoteRecordsCut(session.state->catalogueRecordsCut);
        if (ListsNone(times)) continue;
        for (size_t t = 0; t < times.size(); ++t) {
            if (!check.TimeUsable(dates[d], times[t])) continue;
            failure = session.Select(IDC_TIMES, t);
            if (failure.Failed()) return failure;
            report.runs.push_back(RunRecord{dates[d], times[t], session.FileCount()});
        }
    }
    return check.Result();
}

Failure ReadSettings(Session& session, Report& report) {
    bool shown = false;
    const Failure step = session.LogSettings([&](LogSettingsAnswer&) {
        shown = true;
        return false;  // Cancel: nothing is written
    });
    return SettingsRead(session, report, step, shown);
}

Failure WriteSettings(Session& session, const Options& options, Report& report) {
    bool shown = false;
    const Failure step = session.LogSettings([&](LogSettingsAnswer& answer) {
        shown = true;
        if (options.collect >= 0) answer.collect = options.collect == 1;
        if (options.sizeGiven) std::snprintf(answer.sizeText, sizeof answer.sizeText, "%lld", options.sizeKb);
        return true;
    });
    return SettingsRead(session, report, step, shown);
}
