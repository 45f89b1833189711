// The download command: which runs and files to fetch, and fetching them
// over one attempt after another, each going on where the last one failed.
// A file counts as done when the dialog logic says it finished it under its
// name with no block refused on the way; a file the instrument holds empty
// is written empty by qvlog. With --skip-existing, the file where the last
// pull ended may have grown since: it is fetched again when the size
// announced for it differs from the one on disk, and costs at most one
// block when it does not.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "retrieval/RetrievalObserver.h"
#include "tools/qvlog/CatalogueCheck.h"
#include "tools/qvlog/Connection.h"
#include "tools/qvlog/Options.h"
#include "tools/qvlog/Outcome.h"
#include "tools/qvlog/Progress.h"
#include "tools/qvlog/Report.h"
#include "tools/qvlog/Tool.h"

class Session;

struct SaveFolder {
    std::filesystem::path path;  // absolute, as the platform names it
    std::string utf8;            // the same, for people and JSON
    std::string dialogText;      // the same, as the dialog's save-folder text
};

// The folder named in UTF-8, made when `create` is set, checked to take new
// files, and expressed for the dialog. Runs before any connection.
Failure PrepareSaveFolder(const std::string& utf8, bool create, Language language, SaveFolder& folder);

class Pull : private RetrievalObserver {
public:
    Pull(const Options& options, Environment& environment, const SaveFolder& folder, Report& report);

    // Every attempt the retries allow, each over a new connection; a file
    // finished with a block refused, and not fetched whole since, is left as
    // NAME.partial at the end.
    Failure Run(const ConnectionChoice& choice, int retries);
    // One attempt over a connected session.
    Failure Attempt(Session& session, bool& progress);

    // Told of each file done and of the file bytes as they come, for a
    // caller's own account of the pull (the sync's status lines).
    std::function<void(const FileRecord& file)> onFileDone;
    std::function<void(uint32_t bytes)> onBytes;

private:
    struct Target {
        std::string date, time;
        bool listed = false;
        std::vector<int> pending;  // file numbers still to fetch
        // Of the runs taken, the newest the folder holds a file of: its
        // highest such file is where the last pull ended.
        bool newestHeld = false;
        int check = -1;  // that file, fetched again only when its size changed
    };
    // What the dialog logic told of the files of one Download step.
    struct Step {
        std::vector<int> files;
        size_t finished = 0;         // files[0..finished) are done
        int started = -1;            // the file whose size came last
        uint32_t size = 0, received = 0;
        bool refused = false;        // a block refused while it was in hand
        Failure refusedFailure;      // the file finished with it, to fetch again
        std::string partial;         // where it was left, "" none
        OutputProblem problem = OutputProblem::NONE;
        int64_t checkOnDisk = -1;    // the growth check: the size held, -1 none
        bool checkDecided = false, checkSame = false;
    };

    // RetrievalObserver, for the files of a Download step.
    void FileStarted(const LogSelection& file, const char* path, uint32_t size) override;
    void BlockWritten(uint32_t received, uint32_t size) override;
    void FileFinished(const char* path, uint32_t bytes) override;
    void FileLeft(const char* partialPath, uint32_t bytes, OutputProblem why) override;
    void BlockRefused() override { m_step.refused = true; }

    Failure Plan(Session& session);
    Failure PlanAllRuns(Session& session);
    void MarkNewestHeld();
    Failure Choose(Session& session, const Target& target);
    Failure List(Session& session, Target& target);
    Failure Fetch(Session& session, Target& target, bool& progress);
    Failure FetchOnce(Session& session, Target& target, bool& progress);
    Failure WriteEmpty(Target& target, int number);
    void Annotate(Failure& failure);
    // Takes the file off the run's list, and its record.
    FileRecord Take(Target& target, int number, int64_t size);
    void Done(Target& target, int number, int64_t size, bool empty);
    void Skip(Target& target, int number, int64_t size, Text why);
    std::string FileName(int number) const;
    Failure Usage(Text text, std::initializer_list<std::string> args) const;

    const Options& m_options;
    Environment& m_env;
    SaveFolder m_folder;
    Report& m_report;
    bool m_planned = false;
    std::vector<Target> m_targets;
    CatalogueCheck m_catalogue;
    // The step in hand, and the session and run it belongs to.
    Step m_step;
    Session* m_session = nullptr;
    Target* m_target = nullptr;
    Progress m_progress;
    // The file last finished with a block refused, not fetched whole since:
    // its path, "" none.
    std::string m_refusedFile;
};
