#include "tools/qvlog/SyncJob.h"

#include <algorithm>
#include <chrono>
#include <mutex>

#include "tools/qvlog/Connection.h"
#include "tools/qvlog/Console.h"
#include "tools/qvlog/Encoding.h"
#include "tools/qvlog/Files.h"
#include "tools/qvlog/Platform.h"
#include "tools/qvlog/Pull.h"
#include "tools/qvlog/SyncLock.h"
#include "tools/qvlog/SyncReport.h"
#include "ui/controls/InetAddress.h"

namespace {

// The sync's output, shared by every job: each line the job says named for
// its instrument, whole lines only, one job at a time.
class JobLines : public Output {
public:
    JobLines(Output& shared, std::string name, bool quiet) : m_shared(shared), m_name(std::move(name)), m_quiet(quiet) {}
    ~JobLines() override { Flush(true); }
    void Out(const std::string& utf8) override { Err(utf8); }
    void Err(const std::string& utf8) override {
        m_pending += utf8;
        Flush(false);
    }
    bool ErrIsTerminal() const override { return false; }

private:
    void Flush(bool all) {
        static std::mutex lines;
        size_t end;
        while ((end = m_pending.find('\n')) != std::string::npos || (all && !m_pending.empty())) {
            if (end == std::string::npos) end = m_pending.size();
            std::string line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            if (line.compare(0, 7, "qvlog: ") == 0) line.erase(0, 7);
            if (m_quiet || line.empty()) continue;
            std::lock_guard<std::mutex> hold(lines);
            m_shared.Err(m_name + ": " + line + "\n");
        }
    }
    Output& m_shared;
    std::string m_name;
    bool m_quiet;
    std::string m_pending;
};

// The bytes the status line shows: of the files the pull delivers, each
// once. The file in hand when an attempt failed is fetched anew from its
// start by the next attempt, whose bytes count once they pass what the
// failed one had brought, so the count does not go back either.
class LiveCount {
public:
    explicit LiveCount(SyncResult& result) : m_result(result) {}
    void Bytes(uint32_t bytes) {
        m_inHand += bytes;
        Show();
    }
    void FileDone(int64_t size) {
        ++m_result.files;
        m_done += static_cast<uint64_t>(size);
        m_inHand = m_carried = 0;
        Show();
    }
    void AttemptFailed() {
        m_carried = std::max(m_carried, m_inHand);
        m_inHand = 0;
    }

private:
    void Show() { m_result.bytes = m_done + std::max(m_inHand, m_carried); }
    SyncResult& m_result;
    uint64_t m_done = 0, m_inHand = 0, m_carried = 0;
};

Failure ChooseInstrument(const FleetInstrument& instrument, Language language, ConnectionChoice& choice) {
    choice.tcp = instrument.tcp;
    if (!instrument.tcp) {
        choice.where = instrument.serialPort;
        if (ParseSerialName(instrument.serialPort, choice.comPort, choice.devicePath)) return Failure();
        return Fail(Cause::NOT_A_PORT, Say(language, Text::SERIAL_NAME, {instrument.serialPort}));
    }
    choice.where = instrument.host + ":" + std::to_string(instrument.port);
    choice.target.port = instrument.port;
    choice.target.address = ParseInetAddress(instrument.host.c_str());
    if (choice.target.address != INET_ADDRESS_NONE || ResolveHost(instrument.host, choice.target.address))
        return Failure();
    return Fail(Cause::UNKNOWN_HOST, Say(language, Text::HOST_NOT_FOUND, {instrument.host}));
}

}  // namespace

void NameSyncResult(const FleetInstrument& instrument, SyncResult& result) {
    result.name = instrument.name;
    result.connection = instrument.tcp ? "tcp " + instrument.host + ":" + std::to_string(instrument.port)
                                       : "serial " + instrument.serialPort;
    result.folder = instrument.folder;
}

const char* SyncResult::OutcomeWord() const {
    if (busy) return "busy";
    if (!report.failure.Failed()) return "complete";
    return report.failure.cause == Cause::ABORTED ? "aborted" : "failed";
}

uint64_t SyncResult::FileBytes() const {
    uint64_t total = 0;
    for (const FileRecord& file : report.files) total += static_cast<uint64_t>(file.size);
    return total;
}

void RunSyncJob(const FleetInstrument& instrument, int retries, const Environment& environment, bool quiet,
                SyncResult& result) {
    const auto start = std::chrono::steady_clock::now();
    result.startTime = start;
    result.started = true;
    JobLines lines(*environment.output, instrument.name, quiet);
    Environment env = environment;
    env.output = &lines;
    Report& report = result.report;
    report.command = Command::SYNC;
    SaveFolder folder;
    report.failure = PrepareSaveFolder(instrument.folder, true, env.language, folder);
    ConnectionChoice choice;
    if (!report.failure.Failed()) report.failure = ChooseInstrument(instrument, env.language, choice);
    if (!report.failure.Failed()) {
        const SyncLock lock(folder.path);
        result.busy = lock.Busy();
        if (result.busy) {
            report.failure = Fail(Cause::INSTRUMENT_BUSY, Say(env.language, Text::SYNC_BUSY, {folder.utf8}));
        } else if (!lock.Held()) {
            const Cause cause = CauseOfFileError(lock.Error());
            const std::string path = Utf8FromPath(folder.path / SyncLock::FILE_NAME);
            report.failure = Fail(cause, Say(env.language, Text::CANNOT_WRITE, {path, SayCause(env.language, cause)}));
            report.failure.path = path;
        } else {
            Options options;
            options.command = Command::DOWNLOAD;
            options.allRuns = true;
            options.skipExisting = true;
            options.json = true;  // no line for each file skipped
            LiveCount live(result);
            env.pause = [&live, pause = environment.pause](int seconds) {
                live.AttemptFailed();
                return pause(seconds);
            };
            Pull pull(options, env, folder, report);
            pull.onFileDone = [&live](const FileRecord& file) { live.FileDone(file.size); };
            pull.onBytes = [&live](uint32_t bytes) { live.Bytes(bytes); };
            report.failure = pull.Run(choice, retries);
        }
    }
    CollectPartials(report);
    if (report.failure.Failed()) lines.Err(FailureText(report.failure, env.language));
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    lines.Err(SyncEndLine(result, env.language) + "\n");
    result.finished = true;
}
