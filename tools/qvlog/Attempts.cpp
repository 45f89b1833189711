#include "tools/qvlog/Attempts.h"

#include "tools/qvlog/Console.h"
#include "tools/qvlog/Session.h"

namespace {

constexpr int WAIT_MAX_SECONDS = 30;

}  // namespace

int RetryWaitSeconds(int retry) {
    int seconds = 1;
    for (int i = 1; i < retry && seconds < WAIT_MAX_SECONDS; ++i) seconds *= 2;
    return seconds < WAIT_MAX_SECONDS ? seconds : WAIT_MAX_SECONDS;
}

Failure WithRetries(Environment& env, const ConnectionChoice& choice, int retries, Report& report,
                    const AttemptWork& work, bool needsCatalogue) {
    int failedInRow = 0;
    for (int attempt = 1;; ++attempt) {
        Failure failure;
        bool progress = false;
        {
            Session session(*env.links, env.clock, env.language);
            ++report.connections;
            failure = Connect(session, choice, env.language);
            // Still connected after a refused or silent catalogue (the tool's
            // own abort ended its read): the dialog is idle and its user can
            // open the log settings.
            const bool catalogueOnly = failure.exit == Outcome::INSTRUMENT_ERROR || failure.cause == Cause::NO_RESPONSE;
            if (!needsCatalogue && catalogueOnly && session.Connected()) failure = Failure();
            if (!failure.Failed()) {
                failure = work(session, progress);
                session.Disconnect();
            }
        }  // the session's end closes what the dialog had open and drops the link
        if (!failure.Failed()) return failure;
        if (progress) failedInRow = 0;
        // A connection that cannot be made is told at once; once connected
        // before, it may be the instrument starting again.
        const bool worthIt = failure.Retryable() || (failure.ConnectFailed() && attempt > 1);
        if (!worthIt || failedInRow >= retries) return failure;
        ++failedInRow;
        const int wait = RetryWaitSeconds(failedInRow);
        report.attempts.push_back(AttemptRecord{attempt, failure, wait});
        const std::string why = failure.detail.empty() ? CauseInLine(env.language, failure.cause) : failure.detail;
        env.output->Err("qvlog: " + Say(env.language, Text::RETRYING,
                                        {std::to_string(attempt), why, std::to_string(wait)}) + "\n");
        if (!env.pause(wait))
            return Interrupted(env.language);
    }
}
