#include "tools/qvlog/Pull.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <tuple>

#include "retrieval/Download.h"
#include "tools/qvlog/Attempts.h"
#include "tools/qvlog/Console.h"
#include "tools/qvlog/Encoding.h"
#include "tools/qvlog/Files.h"
#include "tools/qvlog/Session.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/MessageCatalogue.h"

namespace fs = std::filesystem;

namespace {

bool Listed(const std::vector<std::string>& entries, const std::string& text) {
    return std::find(entries.begin(), entries.end(), text) != entries.end();
}

fs::path WithSuffix(const fs::path& path, const char* suffix) {
    fs::path out = path;
    out += suffix;
    return out;
}

// A file or folder that takes no file, named in the failure.
Failure FileProblem(Language language, Cause cause, const std::string& path) {
    Failure f = Fail(cause, Say(language, Text::CANNOT_WRITE, {path, SayCause(language, cause)}));
    f.path = path;
    return f;
}

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

// What the dialog said of the file it ended the run on, as qvlog's cause.
Cause CauseOfProblem(OutputProblem problem) {
    switch (problem) {
    case OutputProblem::IN_USE: return Cause::IN_USE_BY_DOWNLOAD;
    case OutputProblem::NAME_NOT_REPLACEABLE: return Cause::NAME_NOT_REPLACEABLE;
    case OutputProblem::NOT_RENAMED: return Cause::NOT_RENAMED;
    case OutputProblem::SIZE_EXCEEDED:
    case OutputProblem::CUT_SHORT: return Cause::SIZE_MISMATCH;
    default: return Cause::NONE;
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
        if (error) return FileProblem(language, CauseOfFileError(error), folder.utf8);
    }
    const Cause problem = FolderProblem(path, 0);
    if (problem != Cause::NONE) return FileProblem(language, problem, folder.utf8);
    Failure f;
    if (!Utf8ToDialogText(folder.utf8, folder.dialogText))
        f = Fail(Cause::FOLDER_NOT_CP932, Say(language, Text::FOLDER_NOT_CP932, {folder.utf8}));
    else if (folder.dialogText.size() > static_cast<size_t>(SAVE_FOLDER_MAX))
        f = Fail(Cause::PATH_TOO_LONG, Say(language, Text::FOLDER_TOO_LONG, {folder.utf8}));
    f.path = f.Failed() ? folder.utf8 : "";
    return f;
}

Failure Pull::Run(const ConnectionChoice& choice, int retries) {
    Failure ended = WithRetries(m_env, choice, retries, m_report,
                                [this](Session& session, bool& progress) { return Attempt(session, progress); });
    // Retries that ran out, on that file or on whatever came after it, leave
    // a file finished with a block refused as NAME.partial: it is no
    // finished file, which a later --skip-existing or sync would take as one
    // and never fetch again.
    if (!ended.Failed() || m_refusedFile.empty()) return ended;
    const fs::path path = PathFromUtf8(m_refusedFile);
    std::error_code error;
    fs::rename(path, WithSuffix(path, PARTIAL_SUFFIX), error);
    if (error) return ended;
    ended.partial = Utf8FromPath(WithSuffix(path, PARTIAL_SUFFIX));
    if (ended.path.empty() || ended.path == m_refusedFile) ended.path = ended.partial;
    return ended;
}

Pull::Pull(const Options& options, Environment& environment, const SaveFolder& folder, Report& report)
    : m_options(options), m_env(environment), m_folder(folder), m_report(report), m_catalogue(environment.language),
      m_progress(*environment.output, environment.language) {}

Failure Pull::Usage(Text text, std::initializer_list<std::string> args) const {
    return Fail(Cause::USAGE, Say(m_env.language, text, args));
}

std::string Pull::FileName(int number) const {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "_%08d.csv", number);
    return RunKey(m_target->date, m_target->time) + suffix;
}

Failure Pull::Attempt(Session& session, bool& progress) {
    m_session = &session;
    if (!m_planned) {
        // Planned anew over each connection until a plan is whole: one cut
        // off half-way must not leave its runs to be taken twice.
        m_targets.clear();
        m_catalogue = CatalogueCheck(m_env.language);
        const Failure failure = Plan(session);
        if (failure.Failed()) return failure;
        m_planned = true;
        MarkNewestHeld();
    }
    for (Target& target : m_targets) {
        if (target.listed && target.pending.empty()) continue;
        m_target = &target;
        Failure failure = Choose(session, target);
        if (!failure.Failed() && !target.listed) failure = List(session, target);
        if (!failure.Failed()) failure = Fetch(session, target, progress);
        if (failure.Failed()) return failure;
    }
    return m_catalogue.Result();
}

Failure Pull::PlanAllRuns(Session& session) {
    // An instrument may list a date, or a start time, twice: one run still,
    // fetched and reported once.
    std::set<std::pair<std::string, std::string>> taken;
    const std::vector<std::string> dates = session.Dates();
    for (size_t d = 0; d < dates.size(); ++d) {
        if (std::find(dates.begin(), dates.begin() + d, dates[d]) != dates.begin() + d) continue;
        if (!m_catalogue.DateUsable(dates[d])) continue;
        const Failure failure = session.Choose(IDC_DATES, dates[d]);
        if (failure.Failed()) return failure;
        m_catalogue.NoteRecordsCut(session.RecordsCut());
        for (const std::string& time : session.Times())
            if (taken.insert({dates[d], time}).second && m_catalogue.TimeUsable(dates[d], time))
                m_targets.push_back(Target{dates[d], time, false, {}});
    }
    return Failure();
}

Failure Pull::Plan(Session& session) {
    m_catalogue.NoteRecordsCut(session.RecordsCut());
    const std::vector<std::string>& dates = session.Dates();
    if (m_options.allRuns) {
        // No run at all is said, and is no failure of a pull of every run.
        if (dates.empty() && !m_catalogue.Found())
            m_env.output->Err("qvlog: " + Say(m_env.language, Text::NO_RUNS) + "\n");
        return PlanAllRuns(session);
    }
    if (dates.empty()) return m_catalogue.Found() ? m_catalogue.Result() : Usage(Text::NO_RUNS, {});
    // Unnamed, the run the dialog chose itself.
    const std::string date = m_options.date.empty() ? dates.front() : m_options.date;
    // The run asked for may be the one a record cut short took away.
    if (!Listed(dates, date))
        return m_catalogue.Found() ? m_catalogue.Result() : Usage(Text::NO_RUN_ON_DATE, {m_options.date});
    if (!m_catalogue.DateUsable(date)) return m_catalogue.Result();
    const Failure failure = session.Choose(IDC_DATES, date);
    if (failure.Failed()) return failure;
    m_catalogue.NoteRecordsCut(session.RecordsCut());
    const std::vector<std::string>& times = session.Times();
    const std::string time = !m_options.time.empty() || times.empty() ? m_options.time : times.front();
    if (!Listed(times, time))
        return m_catalogue.Found() ? m_catalogue.Result() : Usage(Text::NO_RUN_AT, {date, m_options.time});
    // A date named alone must name one run: the earliest is not a guess to make.
    const std::set<std::string> distinct(times.begin(), times.end());
    if (m_options.time.empty() && !m_options.date.empty() && distinct.size() > 1) {
        std::string list;
        for (const std::string& each : distinct) list += (list.empty() ? "" : ", ") + each;
        return Usage(Text::SEVERAL_RUNS, {date, std::to_string(distinct.size()), list});
    }
    if (!m_catalogue.TimeUsable(date, time)) return m_catalogue.Result();
    m_targets.assign(1, Target{date, time, false, {}});
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
    Failure failure = Listed(session.Dates(), target.date) ? session.Choose(IDC_DATES, target.date) : Failure();
    if (failure.Failed()) return failure;
    // The catalogue changed between two connections.
    if (!Listed(session.Dates(), target.date) || !Listed(session.Times(), target.time))
        return Fail(Cause::RUN_NOT_FOUND, Say(m_env.language, Text::NO_RUN_AT, {target.date, target.time}));
    return session.Choose(IDC_TIMES, target.time);
}

Failure Pull::List(Session& session, Target& target) {
    const int count = session.FileCount();
    // --files stands alone: without it (with --all, --all-runs, or in a
    // sync) every file of the run.
    std::vector<int> numbers = m_options.files;
    if (numbers.empty())
        for (int n = 0; n < count; ++n) numbers.push_back(n);
    for (int n : numbers)
        if (n >= count) return Usage(Text::FILE_NOT_IN_RUN, {std::to_string(n), std::to_string(count)});
    auto sizeHeld = [&](int n) { return RegularFileSize(m_folder.path / FileName(n)); };
    // A NAME.partial beside NAME: a later fetch of it (its growth checked,
    // or the dialog's own download again) was cut short, so NAME may be an
    // older, shorter version. Fetched again, whole.
    auto held = [&](int n) {
        return m_options.skipExisting && sizeHeld(n) >= 0 &&
               RegularFileSize(WithSuffix(m_folder.path / FileName(n), PARTIAL_SUFFIX)) < 0;
    };
    // Where the last pull ended: the file that may have grown since (or
    // grown and been followed by new ones) is checked, not skipped.
    if (target.newestHeld)
        for (int n : numbers)
            if (held(n)) target.check = n;
    for (int n : numbers) {
        // NAME only: a NAME.partial is never taken for a finished file.
        if (held(n) && n != target.check) Skip(target, n, sizeHeld(n), Text::SKIPPED_EXISTS);
        else target.pending.push_back(n);
    }
    target.listed = true;
    m_report.runs.push_back(RunRecord{target.date, target.time, count});
    return Failure();
}

Failure Pull::Fetch(Session& session, Target& target, bool& progress) {
    while (!target.pending.empty()) {
        // The catalogue may have shrunk since the files were chosen.
        if (target.pending.back() >= session.FileCount())
            return Fail(Cause::FILE_NOT_FOUND,
                        Say(m_env.language, Text::FILE_NOT_IN_RUN,
                            {std::to_string(target.pending.back()), std::to_string(session.FileCount())}));
        const Failure failure = FetchOnce(session, target, progress);
        if (failure.Failed()) return failure;
    }
    return Failure();
}

Failure Pull::FetchOnce(Session& session, Target& target, bool& progress) {
    // The file checked for growth goes alone, after the others.
    const bool checking = target.pending.size() == 1 && target.pending[0] == target.check;
    m_step = Step();
    for (int n : target.pending)
        if (checking || n != target.check) m_step.files.push_back(n);
    if (checking) m_step.checkOnDisk = RegularFileSize(m_folder.path / FileName(target.check));
    const size_t doneBefore = m_report.files.size();
    Failure failure = session.Download(m_step.files, m_folder.dialogText, this);
    // The same size, told only of the file checked: it has not grown.
    if (m_step.checkSame && (m_step.size == 0 ? !failure.Failed() : failure.cause == Cause::ABORTED)) {
        Skip(target, target.check, m_step.checkOnDisk, Text::SKIPPED_SAME_SIZE);
        return Failure();
    }
    // Only a file done counts: one finished with a block refused is not.
    progress = progress || m_report.files.size() > doneBefore;
    if (checking && m_step.finished > 0 && !m_options.json)
        m_env.output->Err(Say(m_env.language, Text::FETCHED_AGAIN,
                              {FileName(target.check), std::to_string(m_step.size),
                               std::to_string(m_step.checkOnDisk)}) + "\n");
    if (m_step.refusedFailure.Failed()) return m_step.refusedFailure;
    if (failure.Failed()) {
        Annotate(failure);
        return failure;
    }
    if (m_step.finished == m_step.files.size()) return Failure();
    // The dialog ends a run on a file announced with size 0: that file is
    // empty, and the rest are still to come.
    const int current = m_step.files[m_step.finished];
    if (m_step.started == current && m_step.size == 0) {
        progress = true;
        return WriteEmpty(target, current);
    }
    failure = Fail(Cause::RUN_CUT_SHORT, Say(m_env.language, Text::RUN_CUT_SHORT, {FileName(current)}));
    Annotate(failure);
    return failure;
}

void Pull::FileStarted(const LogSelection& file, const char*, uint32_t size) {
    m_step.started = file.fileNumber;
    m_step.size = size;
    m_step.received = 0;
    m_step.refused = false;
    if (m_step.checkOnDisk >= 0 && file.fileNumber == m_target->check && !m_step.checkDecided) {
        m_step.checkDecided = true;
        m_step.checkSame = size == m_step.checkOnDisk;
        // The same size: Abort before the first block, so no file is made.
        if (m_step.checkSame && size > 0) m_session->PressAbort();
    }
    if (!m_step.checkSame) m_progress.Update(FileName(file.fileNumber), 0, size);
}

void Pull::BlockWritten(uint32_t received, uint32_t size) {
    if (onBytes && received > m_step.received) onBytes(received - m_step.received);
    m_step.received = received;
    if (!m_step.checkSame) m_progress.Update(FileName(m_step.started), received, size);
}

void Pull::FileFinished(const char*, uint32_t bytes) {
    const std::string name = FileName(m_step.started);
    m_progress.Finish(name, bytes, !m_step.refused);
    ++m_step.finished;
    if (!m_step.refused) {
        Done(*m_target, m_step.started, bytes, false);
        return;
    }
    // A block the dialog refused may have been this file's: fetched again.
    m_step.refusedFailure = Fail(Cause::BLOCK_REFUSED, Say(m_env.language, Text::BLOCK_REFUSED, {name}));
    m_step.refusedFailure.path = Utf8FromPath(m_folder.path / name);
    m_refusedFile = m_step.refusedFailure.path;
    // No longer the older file the folder held: its size tells nothing.
    if (m_step.started == m_target->check) m_target->check = -1;
    m_session->Stop(m_step.refusedFailure);
}

void Pull::FileLeft(const char* partialPath, uint32_t bytes, OutputProblem why) {
    m_step.problem = why;
    m_step.received = bytes;
    if (partialPath == nullptr) return;
    m_step.partial = partialPath;
    m_progress.Finish(FileName(m_step.started), bytes, false);
}

Failure Pull::WriteEmpty(Target& target, int number) {
    const fs::path path = m_folder.path / FileName(number);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const bool made = out.is_open();
    out.close();
    if (!made || out.fail()) {
        const Cause problem = FolderProblem(m_folder.path, 0);
        return FileProblem(m_env.language, problem == Cause::NONE ? Cause::WRITE_FAILED : problem,
                           Utf8FromPath(path));
    }
    std::error_code error;
    fs::remove(WithSuffix(path, PARTIAL_SUFFIX), error);
    Done(target, number, 0, true);
    m_env.output->Err("qvlog: " + Say(m_env.language, Text::EMPTY_FILE, {FileName(number)}) + "\n");
    return Failure();
}

FileRecord Pull::Take(Target& target, int number, int64_t size) {
    target.pending.erase(std::remove(target.pending.begin(), target.pending.end(), number), target.pending.end());
    const std::string name = FileName(number);
    return FileRecord{name, Utf8FromPath(m_folder.path / name), size, number, target.date, target.time};
}

void Pull::Skip(Target& target, int number, int64_t size, Text why) {
    m_report.skipped.push_back(Take(target, number, size));
    if (!m_options.json) m_env.output->Err(Say(m_env.language, why, {FileName(number), std::to_string(size)}) + "\n");
}

void Pull::Done(Target& target, int number, int64_t size, bool empty) {
    const FileRecord record = Take(target, number, size);
    if (record.path == m_refusedFile) m_refusedFile.clear();
    m_report.files.push_back(record);
    if (empty) m_report.empty.push_back(record);
    if (onFileDone) onFileDone(record);
}

void Pull::Annotate(Failure& failure) {
    if (m_step.finished >= m_step.files.size()) return;
    const int number = m_step.files[m_step.finished];
    const std::string name = FileName(number);
    const fs::path path = m_folder.path / name;
    std::string partial = m_step.partial;
    // A line lost under the file in hand: the dialog has not let it go yet,
    // nor closed its file. Only a file this run began: an older
    // NAME.partial is not its doing.
    if (partial.empty() && m_step.started == number && m_step.received > 0) {
        m_progress.Finish(name, m_step.received, false);
        const fs::path left = WithSuffix(path, PARTIAL_SUFFIX);
        if (RegularFileSize(left) >= 0) partial = Utf8FromPath(left);
    }
    const bool endedOnFile = failure.message == MSG_TRANSFER_ERROR || failure.message == MSG_FILE_NOT_CREATED;
    const Cause told = endedOnFile ? CauseOfProblem(m_step.problem) : Cause::NONE;
    if (told == Cause::SIZE_MISMATCH) {
        const bool cutShort = m_step.problem == OutputProblem::CUT_SHORT;
        failure = Fail(told, cutShort ? Say(m_env.language, Text::SIZE_MISMATCH,
                                            {name, std::to_string(m_step.received), std::to_string(m_step.size)})
                                      : Say(m_env.language, Text::SIZE_EXCEEDED, {name, std::to_string(m_step.size)}));
        if (cutShort) failure.received = m_step.received;
        failure.announced = m_step.size;
    } else if (told != Cause::NONE) {
        failure = FileProblem(m_env.language, told, Utf8FromPath(path));
    } else if (failure.cause == Cause::FILE_NOT_WRITTEN) {
        // Every name is as long as any other: the zeroes stand for this one.
        char dialogPath[FULL_PATH_MAX + 1];
        Cause problem = Cause::PATH_TOO_LONG;
        if (OutputFilePath(LogSelection{}, m_folder.dialogText.c_str(), dialogPath, sizeof dialogPath)) {
            problem = FolderProblem(m_folder.path, m_step.size > m_step.received ? m_step.size - m_step.received : 0);
            if (problem == Cause::NONE) problem = Cause::WRITE_FAILED;
        }
        failure = FileProblem(m_env.language, problem, Utf8FromPath(path));
    }
    failure.partial = partial;
    if (failure.path.empty()) failure.path = failure.partial;
}
