// The download command: which runs and files to fetch, and fetching them
// over one attempt after another, each going on where the last one failed.
// A file counts as done only when the dialog reached its last block, its
// bytes on disk equal the size the instrument announced, and no block was
// refused; a file the instrument holds empty is written empty by qvlog.
// With --skip-existing, the file where the last pull ended may have grown
// since: it is fetched again when the size announced for it differs from
// the one on disk, and costs at most one block when it does not.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tools/qvlog/CatalogueCheck.h"
#include "tools/qvlog/Options.h"
#include "tools/qvlog/Outcome.h"
#include "tools/qvlog/Report.h"
#include "tools/qvlog/Tool.h"

class Session;
struct DownloadState;
struct FileEnd;

struct SaveFolder {
    std::filesystem::path path;  // absolute, as the platform names it
    std::string utf8;            // the same, for people and JSON
    std::string dialogText;      // the same, as the dialog's save-folder text
};

// The folder named in UTF-8, made when `create` is set, checked to take new
// files, and expressed for the dialog. Runs before any connection.
Failure PrepareSaveFolder(const std::string& utf8, bool create, Language language, SaveFolder& folder);

class Pull {
public:
    Pull(const Options& options, Environment& environment, const SaveFolder& folder, Report& report);

    // One attempt over a connected session.
    Failure Attempt(Session& session, bool& progress);

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

    Failure Plan(Session& session);
    void MarkNewestHeld();
    Failure Choose(Session& session, const Target& target);
    Failure List(Session& session, Target& target);
    Failure Fetch(Session& session, Target& target, bool& progress);
    Failure Finish(Session& session, Target& target, const FileEnd& file);
    Failure WriteEmpty(Session& session, Target& target, int number);
    void Annotate(Session& session, Failure& failure);
    Failure SizeMismatch(const std::string& name, const DownloadState& download) const;
    void Done(Session& session, Target& target, int number, int64_t size, bool empty);
    void Skip(Session& session, Target& target, int number, int64_t size, Text why);
    std::string FileName(Session& session, int number) const;
    Failure Usage(Text text, std::initializer_list<std::string> args) const;

    const Options& m_options;
    Environment& m_env;
    SaveFolder m_folder;
    Report& m_report;
    bool m_planned = false;
    std::vector<Target> m_targets;
    CatalogueCheck m_catalogue;
};
