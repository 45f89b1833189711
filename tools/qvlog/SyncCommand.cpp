#include "tools/qvlog/SyncCommand.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "tools/qvlog/Console.h"
#include "tools/qvlog/Encoding.h"
#include "tools/qvlog/FleetFile.h"
#include "tools/qvlog/Json.h"
#include "tools/qvlog/Outcome.h"
#include "tools/qvlog/SyncReport.h"
#include "tools/qvlog/SyncScreen.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto STATUS_EVERY = std::chrono::milliseconds(250);

int UsageError(Environment& env, const Options& options, const std::string& error) {
    env.output->Err("qvlog: " + error + "\n");
    if (options.json)
        env.output->Out(JsonObject({{"ok", JsonBool(false)},
                                    {"exit", JsonNumber(static_cast<int>(Outcome::USAGE))},
                                    {"command", JsonString("sync")},
                                    {"error", JsonObject({{"cause", JsonString(CauseKey(Cause::USAGE))},
                                                          {"detail", JsonString(error)}})}}) +
                        "\n");
    return static_cast<int>(Outcome::USAGE);
}

// The status lines drawn again in place, over the `drawn` lines of the last
// time: the terminal may have been made smaller or larger since. Returns
// how many it drew.
size_t DrawStatus(Output& out, const SyncResults& results, Language language, size_t drawn) {
    const std::vector<std::string> lines = SyncStatusLines(results, TerminalRows(), Clock::now(), language);
    std::string text = drawn > 0 ? "\033[" + std::to_string(drawn) + "A" : "";
    for (const std::string& line : lines) text += "\r" + line + "\033[K\n";
    out.Err(text + "\033[J");
    return lines.size();
}

}  // namespace

int RunSync(const Options& options, Environment& env) {
    Fleet fleet;
    std::string error;
    const std::string fleetFile = options.fleetFile.empty() ? "fleet.ini" : options.fleetFile;
    if (!ReadFleet(PathFromUtf8(fleetFile), env.language, fleet, error) ||
        !SelectInstruments(fleet, options.only, env.language, error))
        return UsageError(env, options, error);
    const bool terminal = env.output->ErrIsTerminal() && !options.json;
    SyncResults results;
    for (const FleetInstrument& instrument : fleet.instruments) {
        results.push_back(std::make_unique<SyncResult>());
        NameSyncResult(instrument, *results.back());
    }
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next++) < results.size();) {
            SyncResult& result = *results[i];
            const FleetInstrument& instrument = fleet.instruments[i];
            if (InterruptRequested()) {  // stopped before its turn came
                result.report.failure = Interrupted(env.language);
                result.finished = true;
                continue;
            }
            RunSyncJob(instrument, options.retries, env, terminal, result);
        }
    };
    const auto start = Clock::now();
    const size_t jobs = std::min<size_t>(options.jobs > 0 ? static_cast<size_t>(options.jobs) : fleet.jobs,
                                         results.size());
    std::vector<std::thread> threads;
    for (size_t j = 0; j < jobs; ++j) threads.emplace_back(work);
    auto allFinished = [&] {
        return std::all_of(results.begin(), results.end(), [](const auto& r) { return r->finished.load(); });
    };
    size_t drawn = 0;
    while (terminal && !allFinished()) {
        drawn = DrawStatus(*env.output, results, env.language, drawn);
        std::this_thread::sleep_for(STATUS_EVERY);
    }
    for (std::thread& thread : threads) thread.join();
    if (terminal) DrawStatus(*env.output, results, env.language, drawn);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const bool complete = std::all_of(results.begin(), results.end(),
                                      [](const auto& r) { return !r->report.failure.Failed() && !r->busy; });
    const int exit = InterruptRequested() ? static_cast<int>(Outcome::ABORTED)
                                          : complete ? 0 : SYNC_NOT_COMPLETE_EXIT;
    if (options.json) env.output->Out(SyncJson(results, fleetFile, exit, seconds));
    else env.output->Out(SyncTable(results, env.language));
    return exit;
}
