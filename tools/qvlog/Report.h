// What a qvlog command did and how it ended, kept as it goes, and told once
// at the end: as one JSON document on standard output, or as lines on
// standard error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/qvlog/Options.h"
#include "tools/qvlog/Outcome.h"

struct RunRecord {
    std::string date;  // YYYY/MM/DD
    std::string time;  // HH:MM:SS
    int files = 0;
};

struct FileRecord {
    std::string name;
    std::string path;  // UTF-8, absolute
    int64_t size = 0;
    int number = 0;
    std::string date, time;
};

struct AttemptRecord {
    int attempt = 0;
    Failure failure;
    int waitSeconds = 0;
};

struct Report {
    Command command = Command::NONE;
    Failure failure;
    std::string folder;  // download: the save folder, absolute
    std::vector<RunRecord> runs;
    std::vector<FileRecord> files;
    std::vector<FileRecord> skipped;
    std::vector<FileRecord> empty;  // of `files`, those the instrument held empty
    std::vector<AttemptRecord> attempts;  // the failed ones that were retried
    int connections = 0;                  // attempts made, each over a new connection
    // Every file an attempt of this command cut short and left as
    // NAME.partial, still on disk at the end, in the order they were left;
    // the JSON's `partial` is the last of them, for scripts that read one path.
    std::vector<std::string> partials;
    bool hasSettings = false;
    bool collect = false;
    uint32_t sizeBytes = 0;
    std::string devices;  // devices: a JSON array
};

std::string ReportJson(const Report& report);
// Gathers `partials` from the attempts and the final failure.
void CollectPartials(Report& report);
// The line that ends every download on standard error: files fetched,
// already complete, left as NAME.partial.
std::string DownloadSummary(const Report& report, Language language);
// The failure's lines for standard error: the catalogue message (with an
// English line outside a Japanese locale), then qvlog's own sentence.
std::string FailureText(const Failure& failure, Language language);
