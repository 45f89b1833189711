#include "tools/qvlog/Commands.h"

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "tools/qvlog/CatalogueCheck.h"
#include "tools/qvlog/Session.h"
#include "ui/controls/ControlIds.h"

namespace {

// How a settings conversation ended; what it read goes into the report. A
// dialog that closed without ever opening the settings box: the read failed.
Failure SettingsRead(const Session& session, Report& report, const Failure& step, bool shown) {
    if (step.Failed()) return step;
    if (!shown) return Fail(Cause::SETTINGS_NOT_READ);
    report.hasSettings = true;
    report.collect = session.LogCollectionEnabled();
    report.sizeBytes = session.LogFileSize();
    return step;
}

}  // namespace

Failure ListRuns(Session& session, Report& report, Language language) {
    report.runs.clear();
    CatalogueCheck check(language);
    check.NoteRecordsCut(session.RecordsCut());
    // A date, or a start time, the instrument lists twice is one run still.
    std::set<std::pair<std::string, std::string>> listed;
    const std::set<std::string> dates(session.Dates().begin(), session.Dates().end());
    for (const std::string& date : dates) {
        if (!check.DateUsable(date)) continue;
        Failure failure = session.Choose(IDC_DATES, date);
        if (failure.Failed()) return failure;
        check.NoteRecordsCut(session.RecordsCut());
        const std::vector<std::string> times = session.Times();
        for (const std::string& time : times) {
            if (!listed.insert({date, time}).second || !check.TimeUsable(date, time)) continue;
            failure = session.Choose(IDC_TIMES, time);
            if (failure.Failed()) return failure;
            report.runs.push_back(RunRecord{date, time, session.FileCount()});
        }
    }
    return check.Result();
}

Failure ReadSettings(Session& session, Report& report) {
    bool shown = false;
    // Cancel: nothing is written.
    const Failure step = session.LogSettings([](LogSettingsAnswer&) { return false; }, shown);
    return SettingsRead(session, report, step, shown);
}

Failure WriteSettings(Session& session, const Options& options, Report& report) {
    bool shown = false;
    const Failure step = session.LogSettings(
        [&](LogSettingsAnswer& answer) {
            if (options.collect >= 0) answer.collect = options.collect == 1;
            if (options.sizeGiven) std::snprintf(answer.sizeText, sizeof answer.sizeText, "%lld", options.sizeKb);
            return true;
        },
        shown);
    return SettingsRead(session, report, step, shown);
}
