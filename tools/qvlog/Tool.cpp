#include "tools/qvlog/Tool.h"

#include <algorithm>

#include "tools/qvlog/Attempts.h"
#include "tools/qvlog/Commands.h"
#include "tools/qvlog/Connection.h"
#include "tools/qvlog/Devices.h"
#include "tools/qvlog/Console.h"
#include "tools/qvlog/Encoding.h"
#include "tools/qvlog/Json.h"
#include "tools/qvlog/Options.h"
#include "tools/qvlog/Pull.h"
#include "tools/qvlog/Report.h"
#include "tools/qvlog/Session.h"
#include "tools/qvlog/SyncCommand.h"
#include "version/Version.h"

namespace {

Failure Download(Environment& env, const Options& options, const ConnectionChoice& choice, Report& report) {
    // A folder named on the command line is made when missing; the settings'
    // folder is taken as the dialog takes it.
    const bool named = !options.outDir.empty();
    SaveFolder folder;
    const Failure failure = PrepareSaveFolder(named ? options.outDir : DialogTextToUtf8(choice.saveFolder), named,
                                              env.language, folder);
    report.folder = folder.utf8;
    if (failure.Failed()) return failure;
    Pull pull(options, env, folder, report);
    return pull.Run(choice, options.retries);
}

Failure Run(Environment& env, const Options& options, Report& report) {
    ConnectionChoice choice;
    const Failure failure = ChooseConnection(options, env.language, choice);
    if (failure.Failed()) return failure;
    switch (options.command) {
    case Command::LIST:
        return WithRetries(env, choice, options.retries, report,
                           [&](Session& session, bool&) { return ListRuns(session, report, env.language); });
    case Command::DOWNLOAD: return Download(env, options, choice, report);
    case Command::SETTINGS_GET:
        return WithRetries(env, choice, options.retries, report,
                           [&report](Session& session, bool&) { return ReadSettings(session, report); }, false);
    case Command::SETTINGS_SET:
        return WithRetries(env, choice, options.retries, report, [&](Session& session, bool&) {
            return WriteSettings(session, options, report);
        }, false);
    default: return Failure();
    }
}

// What a successful command prints for people.
std::string ResultText(const Report& report, Language language) {
    std::string text;
    for (const RunRecord& run : report.command == Command::LIST ? report.runs : std::vector<RunRecord>())
        text += Say(language, Text::RUN_LINE, {run.date, run.time, std::to_string(run.files)}) + "\n";
    if (report.hasSettings) {
        const std::string collect = Say(language, report.collect ? Text::COLLECT_ON : Text::COLLECT_OFF);
        const std::string kb = std::to_string(report.sizeBytes / 1024);
        text += report.command == Command::SETTINGS_SET
                    ? Say(language, Text::SETTINGS_SET, {collect, kb})
                    : Say(language, Text::SETTINGS_SHOWN, {collect, kb, std::to_string(report.sizeBytes)});
    }
    return text;
}

}  // namespace

int RunQvlog(const std::vector<std::string>& args, Environment& env) {
    Output& out = *env.output;
    const Language language = env.language;
    const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
    Report report;
    Options options;
    std::string error;
    if (!ParseOptions(args, options, error, language)) {
        if (error.empty()) {  // --help
            if (json)
                out.Out(JsonObject({{"ok", JsonBool(true)}, {"exit", JsonNumber(0)}, {"command", JsonString("help")},
                                    {"usage", JsonString(UsageText(language))}}) + "\n");
            else
                out.Out(UsageText(language));
            return 0;
        }
        report.failure = Fail(Cause::USAGE, error);
        out.Err("qvlog: " + error + "\n" + UsageText(language));
        if (json) out.Out(ReportJson(report));
        return static_cast<int>(Outcome::USAGE);
    }
    if (options.paced && env.pacedLinks != nullptr) env.links = env.pacedLinks;
    if (options.version) {
        out.Out(std::string("qvlog ") + QV_VERSION_TEXT + "\n");
        return 0;
    }
    report.command = options.command;
    if (options.command == Command::DEVICES) {
        const DeviceListing devices = ListDevices();
        report.devices = devices.json;
        out.Out(json ? ReportJson(report) : devices.text);
        if (!json && devices.text.empty()) out.Err("qvlog: " + Say(language, Text::NO_USB_DEVICES) + "\n");
        return 0;
    }
    if (options.command == Command::SYNC) return RunSync(options, env);
    report.failure = Run(env, options, report);
    CollectPartials(report);
    if (!report.failure.Failed() && !json) out.Out(ResultText(report, language));
    if (report.failure.Failed()) out.Err(FailureText(report.failure, language));
    for (const std::string& partial : report.partials)
        out.Err("qvlog: " + Say(language, Text::PARTIAL_LEFT, {partial}) + "\n");
    if (options.command == Command::DOWNLOAD) out.Err(DownloadSummary(report, language));
    if (json) out.Out(ReportJson(report));
    return static_cast<int>(report.failure.exit);
}
