#include "tools/qvlog/Pull.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <tuple>

#include "link/Protocol.h"
#include "retrieval/Download.h"
#include "tools/qvlog/Console.h"
#include "tools/qvlog/Encoding.h"
#include "tools/qvlog/Files.h"
#include "tools/qvlog/Progress.h"
#include "tools/qvlog/Session.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/MessageCatalogue.h"

namespace fs = std::filesystem;

// Files the dialog finished during one of its runs, with the size announced
// for each and the bytes it received, taken the moment it moved on: one
// message later the next file's reply may have replaced both.
struct FileEnd {
    int number;
    uint32_t announced;
    uint32_t received;
    bool refused;  // the dialog refused a block while this file was in hand
};

namespace {

int IndexOf(const std::vector<std::string>& entries, const std::string& text) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i] == text) return static_cast<int>(i);
    return -1;
}

fs::path WithSuffix(const fs::path& path, const char* suffix) {
    fs::path out = path;
    out += suffix;
    return out;
}

// A file or folder that takes no file, named in the failure.
Failure NotWritten(const std::string& reason, const std::string& detail, const std::string& path) {
    Failure f = Fail(Outcome::FILE_ERROR, Cause::FILE_NOT_WRITTEN, reason, detail, MSG_FILE_NOT_CREATED);
    f.path = path;
    return f;
}

Failure FileProblem(Language language, WriteProblem problem, const std::string& path) {
    return NotWritten(ProblemReason(problem),
                      Say(language, Text::CANNOT_WRITE, {path, Say(language, ProblemText(problem))}), path);
}

class FileWatch {
public:
    FileWatch(Session& session, Progress& progress, std::function<std::string(int)> name)
        : m_session(session), m_progress(progress), m_name(std::move(name)), m_refusals(session.ui.refusals) {}

    void Tick() {
        const DownloadState& d = m_session.state->download;
        if (m_session.ui.refusals != m_refusals) {
            m_refusals = m_session.ui.refusals;
            m_refusedPosition = d.position;
        }
        while (m_position < d.position && m_position < d.selectedCount) {
            const FileEnd file{d.selectedPositions[m_position], d.totalSize, d.bytesReceived,
                                m_refusedPosition == m_position};
            finished.push_back(file);
            m_progress.Finish(m_name(file.number), file.received, !file.refused);
            // The dialog has asked for the next file already; stop it there.
            if (file.refused)
                m_session.Stop(Fail(Outcome::INSTRUMENT_ERROR, Cause::BLOCK_REFUSED, "block refused", "",
                                    MSG_TRANSFER_ERROR));
            ++m_position;
        }
        if (d.position < d.selectedCount) {
            const bool started = !d.createPending;
            m_progress.Update(m_name(d.selectedPositions[d.position]), started ? d.bytesReceived : 0,
                              started ? d.totalSize : 0);
        }
    }

    void EndCurrent() {
        const DownloadState& d = m_session.state->download;
        if (d.position < d.selectedCount && !d.createPending)
            m_progress.Finish(m_name(d.selectedPositions[d.position]), d.bytesReceived, false);
    }

    std::vector<FileEnd> finished;

private:
    Session& m_session;
    Progress& m_progress;
    std::function<std::string(int)> m_name;
    int m_position = 0;
    uint32_t m_refusals = 0;
    int m_refusedPosition = -1;
};

// The file held whole that the instrument may have added to since: the
// size its reply announces decides, before any block is taken. The same
// size presses Abort, so the dialog refuses the first block before it makes
// any file and ends with message 7.
struct GrowthCheck {
    int64_t onDisk;
    bool decided = false;
    bool same = false;

    // True once the file is being fetched again.
    bool Fetching(Session& session) {
        const DialogState& state = *session.state;
        if (!decided && state.download.createPending && state.blockSequence == BLOCK_KIND_FILE) {
            decided = true;
            same = state.download.totalSize == onDisk;
            if (same) session.PressAbort();
        }
        return decided && !same;
    }
    // The download ended as the check meant it to: the abort it pressed, or
    // an empty file announced for an empty one.
    bool Unchanged(Session& session, const Failure& ended) const {
        const DownloadState& d = session.state->download;
        if (same) return ended.cause == Cause::ABORTED && ended.message == MSG_ABORTED;
        return !decided && !ended.Failed() && d.selectedCount == 1 && d.createPending && d.totalSize == 0 &&
               onDisk == 0;
    }
};

// "YYYYMMDD_HHMMSS", as a run's files begin.
std::string RunKey(const std::string& date, const std::string& time) {
    return date.substr(0, 4) + date.substr(5, 2) + date.substr(8, 2) + "_" + time.substr(0, 2) +
           time.substr(3, 2) + time.substr(6, 2);
}

// The runs the folder holds a finished file of, by RunKey.
std::set<std::string> RunsHeld(const fs::path& folder) {
    constexpr size_t NAME_LENGTH = sizeof "YYYYMMDD_HHMMSS_NNNNNNNN.csv" - 1;
    std::set<std::string> runs;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = Utf8FromPath(it->path().filename());
        if (name.size() == NAME_LENGTH && name.compare(NAME_LENGTH - 4, 4, ".csv") == 0 &&
            it->is_regular_file(error))
            runs.insert(name.substr(0, 15));
    }
    return runs;
}

// What the dialog says of the file in hand, for a run it ended on that file.
WriteProblem WriteProblemOf(OutputProblem problem) {
    switch (problem) {
    case OutputProblem::IN_USE: return WriteProblem::IN_USE_BY_DOWNLOAD;
    case OutputProblem::NAME_NOT_REPLACEABLE: return WriteProblem::NAME_NOT_REPLACEABLE;
    case OutputProblem::NOT_RENAMED: return WriteProblem::NOT_RENAMED;
    default: return WriteProblem::NONE;
    }
}

}  // namespace

Failure PrepareSaveFolder(const std::string& utf8, bool create, Language language, SaveFolder& folder) {
    std::error_code error;
    fs::path path = fs::absolute(PathFromUtf8(utf8.empty() ? "." : utf8), error).lexically_normal();
    if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
    folder.path = path;
    folder.utf8 = Utf8FromPath(path);
    if (create) {
        fs::create_directories(path, error);
        if (error) return FileProblem(language, ProblemOfError(error), folder.utf8);
    }
    const WriteProblem problem = FolderProblem(path, 0);
    if (problem != WriteProblem::NONE) return FileProblem(language, problem, folder.utf8);
    if (!Utf8ToDialogText(folder.utf8, folder.dialogText))
        return NotWritten("folder name not in code page 932", Say(language, Text::FOLDER_NOT_CP932, {folder.utf8}),
                          folder.utf8);
    if (folder.dialogText.size() > static_cast<size_t>(SAVE_FOLDER_MAX))
        return NotWritten(ProblemReason(WriteProblem::PATH_TOO_LONG),
                          Say(language, Text::FOLDER_TOO_LONG, {folder.utf8}), folder.utf8);
    return Failure();
}

Pull::Pull(const Options& options, Environment& environment, const SaveFolder& folder, Report& report)
    : m_options(options), m_env(environment), m_folder(folder), m_report(report), m_catalogue(environment.language) {
    m_report.folder = folder.utf8;
}

Failure Pull::Usage(Text text, std::initializer_list<std::string> args) const {
    return Fail(Outcome::USAGE, Cause::USAGE, "usage", Say(m_env.language, text, args));
}

std::string Pull::FileName(Session& session, int number) const {
    const LogSelection& s = session.state->selection;
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d_%02d%02d%02d_%08d.csv", s.year, s.month, s.day, s.hour, s.minute,
                  s.second, number);
    return name;
}

Failure Pull::Attempt(Session& session, bool& progress) {
    if (!m_planned) {
        const Failure failure = Plan(session);
        if (failure.Failed()) return failure;
    }
    for (Target& target : m_targets) {
        if (target.listed && target.pending.empty()) continue;
        Failure failure = Choose(session, target);
        if (!failure.Failed() && !target.listed) failure = List(session, target);
        if (!failure.Failed()) failure = Fetch(session, target, progress);
        if (failure.Failed()) return failure;
    }
    return m_catalogue.Result();
}

Failure Pull::Plan(Session& session) {
    const std::vector<std::string> dates = session.Dates();
    m_catalogue.NoteRecordsCut(session.state->catalogueRecordsCut);
    if (ListsNone(dates)) {
        if (m_catalogue.Found()) return m_catalogue.Result();
        if (!m_options.allRuns) return Usage(Text::NO_RUNS, {});
        m_env.output->Err("qvlog: " + Say(m_env.language, Text::NO_RUNS) + "\n");
        m_planned = true;
        return Failure();
    }
    if (m_options.allRuns) {
        std::vector<Target> targets;
        // An instrument may list a date, or a start time, twice: one run
        // still, fetched and reported once.
        std::set<std::pair<std::string, std::string>> taken;
        for (size_t d = 0; d < dates.size(); ++d) {
            if (IndexOf(dates, dates[d]) != static_cast<int>(d)) continue;
            if (!m_catalogue.DateUsable(dates[d])) continue;
            const Failure failure = session.Select(IDC_DATES, d);
            if (failure.Failed()) return failure;
            const std::vector<std::string> times = session.Times();
            m_catalogue.NoteRecordsCut(session.state->catalogueRecordsCut);
            if (ListsNone(times)) continue;
            for (const std::string& time : times)
                if (taken.insert({dates[d], time}).second && m_catalogue.TimeUsable(dates[d], time))
                    targets.push_back(Target{dates[d], time, false, {}});
        }
        m_targets = targets;
        m_planned = true;
        MarkNewestHeld();
        return Failure();
    }
    const int d = m_options.date.empty() ? session.ui.ListSelection(IDC_DATES) : IndexOf(dates, m_options.date);
    // The run asked for may be the one a record cut short took away.
    if (d < 0) return m_catalogue.Found() ? m_catalogue.Result() : Usage(Text::NO_RUN_ON_DATE, {m_options.date});
    const std::string& date = dates[static_cast<size_t>(d)];
    if (!m_catalogue.DateUsable(date)) return m_catalogue.Result();
    const Failure failure = session.Select(IDC_DATES, static_cast<size_t>(d));
    if (failure.Failed()) return failure;
    const std::vector<std::string> times = session.Times();
    m_catalogue.NoteRecordsCut(session.state->catalogueRecordsCut);
    int t = session.ui.ListSelection(IDC_TIMES);
    if (ListsNone(times) || (!m_options.time.empty() && (t = IndexOf(times, m_options.time)) < 0))
        return m_catalogue.Found() ? m_catalogue.Result() : Usage(Text::NO_RUN_AT, {date, m_options.time});
    // A date named alone must name one run: the earliest is not a guess to make.
    const std::set<std::string> distinct(times.begin(), times.end());
    if (m_options.time.empty() && !m_options.date.empty() && distinct.size() > 1) {
        std::string list;
        for (const std::string& time : distinct) list += (list.empty() ? "" : ", ") + time;
        return Usage(Text::SEVERAL_RUNS, {date, std::to_string(distinct.size()), list});
    }
    const std::string& time = times[static_cast<size_t>(t < 0 ? 0 : t)];
    if (!m_catalogue.TimeUsable(date, time)) return m_catalogue.Result();
    m_targets.assign(1, Target{date, time, false, {}});
    m_planned = true;
    MarkNewestHeld();
    return Failure();
}

void Pull::MarkNewestHeld() {
    if (!m_options.skipExisting) return;
    const std::set<std::string> held = RunsHeld(m_folder.path);
    Target* newest = nullptr;
    for (Target& target : m_targets) {
        const bool newer =
            newest == nullptr || std::tie(target.date, target.time) > std::tie(newest->date, newest->time);
        if (newer && held.count(RunKey(target.date, target.time)) > 0) newest = &target;
    }
    if (newest != nullptr) newest->newestHeld = true;
}

Failure Pull::Choose(Session& session, const Target& target) {
    const int d = IndexOf(session.Dates(), target.date);
    Failure failure = d < 0 ? Failure() : session.Select(IDC_DATES, static_cast<size_t>(d));
    if (failure.Failed()) return failure;
    const int t = d < 0 ? -1 : IndexOf(session.Times(), target.time);
    // The catalogue changed between two connections.
    if (t < 0)
        return Fail(Outcome::INSTRUMENT_ERROR, Cause::INSTRUMENT_REFUSED, "run not found",
                    Say(m_env.language, Text::NO_RUN_AT, {target.date, target.time}));
    return session.Select(IDC_TIMES, static_cast<size_t>(t));
}

Failure Pull::List(Session& session, Target& target) {
    const int count = session.FileCount();
    std::vector<int> numbers;
    if (m_options.allRuns || m_options.allFiles || m_options.files.empty()) {
        for (int n = 0; n < count; ++n) numbers.push_back(n);
    } else {
        for (int n : m_options.files) {
            if (n >= count) return Usage(Text::FILE_NOT_IN_RUN, {std::to_string(n), std::to_string(count)});
            numbers.push_back(n);
        }
    }
    auto sizeHeld = [&](int n) { return RegularFileSize(m_folder.path / FileName(session, n)); };
    auto held = [&](int n) { return m_options.skipExisting && sizeHeld(n) >= 0; };
    // Where the last pull ended: the file that may have grown since (or
    // grown and been followed by new ones) is checked, not skipped.
    if (target.newestHeld)
        for (int n : numbers)
            if (held(n)) target.check = n;
    for (int n : numbers) {
        // NAME only: a NAME.partial is never taken for a finished file.
        if (held(n) && n != target.check)
            Skip(session, target, n, sizeHeld(n), Text::SKIPPED_EXISTS);
        else
            target.pending.push_back(n);
    }
    target.listed = true;
    m_report.runs.push_back(RunRecord{target.date, target.time, count});
    return Failure();
}

Failure Pull::Fetch(Session& session, Target& target, bool& progress) {
    while (!target.pending.empty()) {
        Progress line(*m_env.output, m_env.language);
        // The catalogue may have shrunk since the files were chosen.
        if (target.pending.back() >= session.FileCount())
            return Fail(Outcome::INSTRUMENT_ERROR, Cause::INSTRUMENT_REFUSED, "file not found",
                        Say(m_env.language, Text::FILE_NOT_IN_RUN,
                            {std::to_string(target.pending.back()), std::to_string(session.FileCount())}));
        // The file checked for growth goes alone, after the others.
        const bool checking = target.pending.size() == 1 && target.pending[0] == target.check;
        std::vector<int> files = target.pending;
        if (!checking) files.erase(std::remove(files.begin(), files.end(), target.check), files.end());
        GrowthCheck growth{checking ? RegularFileSize(m_folder.path / FileName(session, target.check)) : -1};
        FileWatch watch(session, line, [this, &session](int n) { return FileName(session, n); });
        session.onTick = [&] {
            if (!checking || growth.Fetching(session)) watch.Tick();
        };
        Failure failure = session.Download(files, m_folder.dialogText);
        session.onTick = nullptr;
        if (checking && growth.Unchanged(session, failure)) {
            Skip(session, target, target.check, growth.onDisk, Text::SKIPPED_SAME_SIZE);
            continue;
        }
        for (const FileEnd& file : watch.finished) {
            const Failure finished = Finish(session, target, file);
            if (finished.Failed()) return finished;
            if (checking && !m_options.json)
                m_env.output->Err(Say(m_env.language, Text::FETCHED_AGAIN,
                                      {FileName(session, file.number), std::to_string(file.announced),
                                       std::to_string(growth.onDisk)}) + "\n");
            progress = true;
        }
        const DownloadState& d = session.state->download;
        const bool stoppedEarly = d.position < d.selectedCount;
        const std::string current = stoppedEarly ? FileName(session, d.selectedPositions[d.position]) : "";
        if (failure.Failed()) {
            watch.EndCurrent();
            Annotate(session, failure);
            return failure;
        }
        if (!stoppedEarly && d.selectedCount > 0) continue;
        // The dialog ends a run on a file announced with size 0: that file is
        // empty, and the rest are still to come.
        if (d.selectedCount > 0 && d.totalSize == 0 && d.bytesReceived == 0 && d.createPending) {
            const Failure written = WriteEmpty(session, target, d.selectedPositions[d.position]);
            if (written.Failed()) return written;
            progress = true;
            continue;
        }
        failure = Fail(Outcome::INSTRUMENT_ERROR, Cause::RUN_CUT_SHORT, "run cut short",
                       Say(m_env.language, Text::RUN_CUT_SHORT, {current}), MSG_TRANSFER_ERROR);
        Annotate(session, failure);
        return failure;
    }
    return Failure();
}

Failure Pull::Finish(Session& session, Target& target, const FileEnd& file) {
    const std::string name = FileName(session, file.number);
    const fs::path path = m_folder.path / name;
    // The dialog names a file only when its size is the one announced.
    if (!file.refused) {
        Done(session, target, file.number, RegularFileSize(path), false);
        return Failure();
    }
    Failure f = Fail(Outcome::INSTRUMENT_ERROR, Cause::BLOCK_REFUSED, "block refused",
                     Say(m_env.language, Text::BLOCK_REFUSED, {name}), MSG_TRANSFER_ERROR);
    f.path = Utf8FromPath(path);
    return f;
}

Failure Pull::WriteEmpty(Session& session, Target& target, int number) {
    const std::string name = FileName(session, number);
    const fs::path path = m_folder.path / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const bool made = out.is_open();
    out.close();
    if (!made || out.fail()) {
        WriteProblem problem = FolderProblem(m_folder.path, 0);
        if (problem == WriteProblem::NONE) problem = WriteProblem::UNKNOWN;
        return FileProblem(m_env.language, problem, Utf8FromPath(path));
    }
    std::error_code error;
    fs::remove(WithSuffix(path, PARTIAL_SUFFIX), error);
    Done(session, target, number, 0, true);
    m_env.output->Err("qvlog: " + Say(m_env.language, Text::EMPTY_FILE, {name}) + "\n");
    return Failure();
}

void Pull::Skip(Session& session, Target& target, int number, int64_t size, Text why) {
    target.pending.erase(std::remove(target.pending.begin(), target.pending.end(), number), target.pending.end());
    const std::string name = FileName(session, number);
    m_report.skipped.push_back(
        FileRecord{name, Utf8FromPath(m_folder.path / name), size, number, target.date, target.time});
    if (!m_options.json) m_env.output->Err(Say(m_env.language, why, {name, std::to_string(size)}) + "\n");
}

void Pull::Done(Session& session, Target& target, int number, int64_t size, bool empty) {
    target.pending.erase(std::remove(target.pending.begin(), target.pending.end(), number), target.pending.end());
    const std::string name = FileName(session, number);
    const FileRecord record{name, Utf8FromPath(m_folder.path / name), size, number, target.date, target.time};
    m_report.files.push_back(record);
    if (empty) m_report.empty.push_back(record);
}

Failure Pull::SizeMismatch(const std::string& name, const DownloadState& d) const {
    const bool cutShort = d.fileProblem == OutputProblem::CUT_SHORT;
    Failure f = Fail(Outcome::INSTRUMENT_ERROR, Cause::SIZE_MISMATCH, "size mismatch",
                     cutShort ? Say(m_env.language, Text::SIZE_MISMATCH,
                                    {name, std::to_string(d.bytesReceived), std::to_string(d.totalSize)})
                              : Say(m_env.language, Text::SIZE_EXCEEDED, {name, std::to_string(d.totalSize)}),
                     MSG_TRANSFER_ERROR);
    if (cutShort) f.received = d.bytesReceived;
    f.announced = d.totalSize;
    return f;
}

void Pull::Annotate(Session& session, Failure& failure) {
    const DownloadState& d = session.state->download;
    if (d.position < 0 || d.position >= d.selectedCount) return;
    const int number = d.selectedPositions[d.position];
    const std::string name = FileName(session, number);
    const fs::path path = m_folder.path / name;
    std::string partial;
    // Only a file this run began: an older NAME.partial is not its doing.
    if (!d.createPending && RegularFileSize(WithSuffix(path, PARTIAL_SUFFIX)) >= 0)
        partial = Utf8FromPath(WithSuffix(path, PARTIAL_SUFFIX));
    const bool endedOnFile = failure.message == MSG_TRANSFER_ERROR || failure.message == MSG_FILE_NOT_CREATED;
    const WriteProblem told = WriteProblemOf(d.fileProblem);
    if (endedOnFile && (d.fileProblem == OutputProblem::CUT_SHORT || d.fileProblem == OutputProblem::SIZE_EXCEEDED)) {
        failure = SizeMismatch(name, d);
    } else if (endedOnFile && told != WriteProblem::NONE) {
        failure = FileProblem(m_env.language, told, Utf8FromPath(path));
    } else if (failure.cause == Cause::FILE_NOT_WRITTEN) {
        LogSelection file = session.state->selection;
        file.fileNumber = static_cast<uint16_t>(number);
        char dialogPath[FULL_PATH_MAX + 1];
        WriteProblem problem = WriteProblem::PATH_TOO_LONG;
        if (OutputFilePath(file, m_folder.dialogText.c_str(), dialogPath, sizeof dialogPath)) {
            const uint32_t left = d.totalSize > d.bytesReceived ? d.totalSize - d.bytesReceived : 0;
            problem = FolderProblem(m_folder.path, left);
            if (problem == WriteProblem::NONE) problem = WriteProblem::UNKNOWN;
        }
        const Failure described = FileProblem(m_env.language, problem, Utf8FromPath(path));
        failure.reason = described.reason;
        failure.detail = described.detail;
        failure.path = described.path;
    }
    failure.partial = partial;
    if (failure.path.empty()) failure.path = failure.partial;
}
