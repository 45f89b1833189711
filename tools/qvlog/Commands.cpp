#include "tools/qvlog/Commands.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "retrieval/Download.h"
#include "tools/qvlog/Console.h"
#include "tools/qvlog/Json.h"
#include "tools/qvlog/Progress.h"
#include "ui/controls/ControlStates.h"
#include "ui/controls/LogSizeText.h"

namespace {

struct Run {
    size_t dateIndex;
    size_t timeIndex;
};

struct FileResult {
    std::string name;
    std::string path;
    int number;
    uintmax_t size;
};

bool IsNone(const std::vector<std::string>& entries) {
    return entries.empty() || (entries.size() == 1 && entries[0] == "none");
}

int IndexOf(const std::vector<std::string>& entries, const std::string& text) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i] == text) return static_cast<int>(i);
    return -1;
}

Outcome Select(Session& session, bool date, size_t index) {
    const int current = session.ui.ListSelection(date ? IDC_DATES : IDC_TIMES);
    if (current == static_cast<int>(index)) return Outcome::OK;
    return date ? session.SelectDate(index) : session.SelectTime(index);
}

std::string OutputPath(Session& session, const std::string& folder, int number, std::string* name) {
    LogSelection file = session.state->selection;
    file.fileNumber = static_cast<uint16_t>(number);
    char path[FULL_PATH_MAX + 1];
    if (!OutputFilePath(file, folder.c_str(), path, sizeof path)) return std::string();
    if (name) *name = std::filesystem::path(path).filename().string();
    return path;
}

void Report(Outcome outcome, const Session& session) {
    if (outcome != Outcome::OK && !session.lastMessage.empty())
        std::fprintf(stderr, "qvlog: %s\n", session.lastMessage.c_str());
}

// Follows the running download on the progress line.
class DownloadWatch {
public:
    DownloadWatch(Session& session, const std::string& folder)
        : m_session(session), m_folder(folder), m_progress(IsTerminal(stderr)) {}

    void Tick() {
        const DownloadState& d = m_session.state->download;
        if (d.position >= d.selectedCount) return;
        const int number = d.selectedPositions[d.position];
        // Moving on means the file before is complete, whatever the last tick saw.
        if (number != m_number && m_number >= 0) m_progress.Finish(m_name, m_lastTotal, true);
        if (number != m_number) {
            m_number = number;
            m_name = FileName(number);
        }
        m_lastTotal = d.totalSize;
        m_progress.Update(m_name, d.bytesReceived, d.totalSize);
    }

    void End(bool complete) {
        if (m_number >= 0) m_progress.Finish(m_name, m_session.state->download.bytesReceived, complete);
        m_number = -1;
    }

private:
    std::string FileName(int number) {
        const LogSelection& s = m_session.state->selection;
        char name[64];
        std::snprintf(name, sizeof name, "%04d%02d%02d_%02d%02d%02d_%08d.csv", s.year, s.month, s.day,
                      s.hour, s.minute, s.second, number);
        return name;
    }

    Session& m_session;
    std::string m_folder;
    Progress m_progress;
    int m_number = -1;
    std::string m_name;
    uint32_t m_lastTotal = 0;
};

}  // namespace

Outcome ListCatalogue(Session& session, const Options& options) {
    struct Listed {
        std::string date, time;
        int files;
    };
    std::vector<Listed> runs;
    const std::vector<std::string> dates = session.Dates();
    if (!IsNone(dates)) {
        for (size_t d = 0; d < dates.size(); ++d) {
            Outcome outcome = Select(session, true, d);
            if (outcome != Outcome::OK) return Report(outcome, session), outcome;
            const std::vector<std::string> times = session.Times();
            if (IsNone(times)) continue;
            for (size_t t = 0; t < times.size(); ++t) {
                outcome = Select(session, false, t);
                if (outcome != Outcome::OK) return Report(outcome, session), outcome;
                runs.push_back(Listed{dates[d], times[t], session.FileCount()});
            }
        }
    }
    if (options.json) {
        std::printf("{\"runs\":[");
        for (size_t i = 0; i < runs.size(); ++i)
            std::printf("%s{\"date\":%s,\"time\":%s,\"files\":%d}", i ? "," : "",
                        JsonString(runs[i].date).c_str(), JsonString(runs[i].time).c_str(), runs[i].files);
        std::printf("]}\n");
    } else {
        for (const Listed& run : runs) std::printf("%s %s %d files\n", run.date.c_str(), run.time.c_str(), run.files);
    }
    return Outcome::OK;
}

Outcome DownloadFiles(Session& session, const Options& options, const std::string& defaultFolder) {
    const std::string folder = options.outDir.empty() ? defaultFolder : options.outDir;
    // A folder named on the command line is made when missing; one that
    // cannot be made is reported by the dialog as a file it cannot create.
    std::error_code ignored;
    if (!options.outDir.empty()) std::filesystem::create_directories(folder, ignored);
    std::vector<Run> runs;
    const std::vector<std::string> dates = session.Dates();
    if (IsNone(dates)) {
        std::fprintf(stderr, "qvlog: the instrument holds no log runs\n");
        return options.allRuns ? Outcome::OK : Outcome::USAGE;
    }
    if (options.allRuns) {
        for (size_t d = 0; d < dates.size(); ++d) {
            const Outcome outcome = Select(session, true, d);
            if (outcome != Outcome::OK) return Report(outcome, session), outcome;
            const std::vector<std::string> times = session.Times();
            if (IsNone(times)) continue;
            for (size_t t = 0; t < times.size(); ++t) runs.push_back(Run{d, t});
        }
    } else {
        int d = session.ui.ListSelection(IDC_DATES);
        if (!options.date.empty() && (d = IndexOf(dates, options.date)) < 0) {
            std::fprintf(stderr, "qvlog: no log run on %s\n", options.date.c_str());
            return Outcome::USAGE;
        }
        Outcome outcome = Select(session, true, static_cast<size_t>(d));
        if (outcome != Outcome::OK) return Report(outcome, session), outcome;
        const std::vector<std::string> times = session.Times();
        int t = session.ui.ListSelection(IDC_TIMES);
        if (IsNone(times) || (!options.time.empty() && (t = IndexOf(times, options.time)) < 0)) {
            std::fprintf(stderr, "qvlog: no log run at %s %s\n", dates[static_cast<size_t>(d)].c_str(),
                         options.time.c_str());
            return Outcome::USAGE;
        }
        runs.push_back(Run{static_cast<size_t>(d), static_cast<size_t>(t)});
    }

    std::vector<FileResult> done;
    std::vector<std::string> skipped;
    std::string partial;
    Outcome outcome = Outcome::OK;
    for (const Run& run : runs) {
        if ((outcome = Select(session, true, run.dateIndex)) != Outcome::OK) break;
        if ((outcome = Select(session, false, run.timeIndex)) != Outcome::OK) break;
        const int count = session.FileCount();
        std::vector<int> wanted;
        if (options.allRuns || options.allFiles || options.files.empty()) {
            for (int n = 0; n < count; ++n) wanted.push_back(n);
        } else {
            for (int n : options.files) {
                if (n >= count) {
                    std::fprintf(stderr, "qvlog: file %d is not in the run (it has %d files)\n", n, count);
                    return Outcome::USAGE;
                }
                wanted.push_back(n);
            }
        }
        std::vector<int> fetch;
        for (int n : wanted) {
            std::string name;
            const std::string path = OutputPath(session, folder, n, &name);
            if (options.skipExisting && !path.empty() && std::filesystem::exists(path)) skipped.push_back(name);
            else fetch.push_back(n);
        }
        if (fetch.empty()) continue;
        DownloadWatch watch(session, folder);
        session.onTick = [&watch] { watch.Tick(); };
        outcome = session.Download(fetch, folder);
        session.onTick = nullptr;
        watch.End(outcome == Outcome::OK);
        const DownloadState& d = session.state->download;
        for (int i = 0; i < d.position && i < d.selectedCount; ++i) {
            FileResult file;
            file.number = d.selectedPositions[i];
            file.path = OutputPath(session, folder, file.number, &file.name);
            std::error_code error;
            file.size = std::filesystem::file_size(file.path, error);
            done.push_back(file);
        }
        if (outcome != Outcome::OK) {
            if (d.position < d.selectedCount) {
                // The dialog leaves a file cut short under its ".partial" name.
                const std::string path = OutputPath(session, folder, d.selectedPositions[d.position], nullptr);
                if (!path.empty() && std::filesystem::exists(path + PARTIAL_SUFFIX)) partial = path + PARTIAL_SUFFIX;
            }
            break;
        }
    }
    Report(outcome, session);
    if (!partial.empty()) std::fprintf(stderr, "qvlog: partial file left: %s\n", partial.c_str());
    if (options.json) {
        std::printf("{\"folder\":%s,\"files\":[", JsonString(folder).c_str());
        for (size_t i = 0; i < done.size(); ++i)
            std::printf("%s{\"name\":%s,\"number\":%d,\"size\":%ju}", i ? "," : "",
                        JsonString(done[i].name).c_str(), done[i].number, done[i].size);
        std::printf("],\"skipped\":[");
        for (size_t i = 0; i < skipped.size(); ++i)
            std::printf("%s%s", i ? "," : "", JsonString(skipped[i]).c_str());
        std::printf("],\"partial\":%s,\"exit\":%d}\n", partial.empty() ? "null" : JsonString(partial).c_str(),
                    static_cast<int>(outcome));
    } else if (!IsTerminal(stderr) || !skipped.empty()) {
        for (const std::string& name : skipped) std::fprintf(stderr, "%s skipped (exists)\n", name.c_str());
    }
    return outcome;
}

Outcome GetLogSettings(Session& session, const Options& options) {
    LogSettingsAnswer read{};
    bool shown = false;
    const Outcome outcome = session.LogSettings([&](LogSettingsAnswer& answer) {
        read = answer;
        shown = true;
        return false;  // Cancel: nothing is written
    });
    if (outcome != Outcome::OK || !shown) {
        Report(outcome == Outcome::OK ? Outcome::INSTRUMENT_ERROR : outcome, session);
        return outcome == Outcome::OK ? Outcome::INSTRUMENT_ERROR : outcome;
    }
    const uint32_t bytes = session.state->logFileSize;
    if (options.json)
        std::printf("{\"collect\":%s,\"sizeBytes\":%u,\"sizeKb\":%u}\n", read.collect ? "true" : "false",
                    bytes, bytes / 1024);
    else
        std::printf("collect %s\nsize %u KB (%u bytes)\n", read.collect ? "on" : "off", bytes / 1024, bytes);
    return Outcome::OK;
}

Outcome SetLogSettings(Session& session, const Options& options) {
    bool shown = false;
    std::string clampedNote;
    const Outcome outcome = session.LogSettings([&](LogSettingsAnswer& answer) {
        shown = true;
        if (options.collect >= 0) answer.collect = options.collect == 1;
        if (options.sizeGiven) {
            // As the dialog's edit does when it loses the focus.
            std::snprintf(answer.sizeText, sizeof answer.sizeText, "%lld", options.sizeKb);
            const std::string given = answer.sizeText;
            ClampLogSizeText(answer.sizeText, sizeof answer.sizeText);
            if (given != answer.sizeText)
                clampedNote = std::string("size clamped to ") + answer.sizeText + " KB (10..204800)";
        }
        return true;
    });
    if (!clampedNote.empty()) std::fprintf(stderr, "qvlog: %s\n", clampedNote.c_str());
    if (outcome != Outcome::OK || !shown) {
        const Outcome failed = outcome == Outcome::OK ? Outcome::INSTRUMENT_ERROR : outcome;
        Report(failed, session);
        return failed;
    }
    std::printf("collect %s\nsize %u KB\n", session.state->logCollectionEnabled ? "on" : "off",
                session.state->logFileSize / 1024);
    return Outcome::OK;
}
