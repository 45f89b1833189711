#include "tools/qvlog/Report.h"

#include <algorithm>

#include "tools/qvlog/Encoding.h"
#include "tools/qvlog/Files.h"
#include "tools/qvlog/Json.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

using Members = std::vector<std::pair<std::string, std::string>>;

std::string OrNull(const std::string& text) { return text.empty() ? JSON_NULL : JsonString(text); }

std::string FilesJson(const std::vector<FileRecord>& files) {
    return JsonArrayOf(files, [](const FileRecord& file) {
        return JsonObject({{"name", JsonString(file.name)}, {"path", JsonString(file.path)},
                           {"size", JsonNumber(file.size)}, {"date", JsonString(file.date)},
                           {"time", JsonString(file.time)}, {"number", JsonNumber(file.number)}});
    });
}

std::string FailureJson(const Failure& f) {
    const bool catalogue = f.message >= 0;
    Members members = {
        {"message", catalogue ? JsonNumber(f.message) : JSON_NULL},
        {"text", catalogue ? JsonString(DialogTextToUtf8(CatalogueEntry(f.message).text)) : JSON_NULL},
        {"cause", JsonString(CauseKey(f.cause))},
        {"detail", OrNull(f.detail)},
        {"path", OrNull(f.path)},
    };
    if (f.received >= 0) members.emplace_back("received", JsonNumber(f.received));
    if (f.announced >= 0) members.emplace_back("announced", JsonNumber(f.announced));
    return JsonObject(members);
}

}  // namespace

std::string ReportJson(const Report& r) {
    Members members = {{"ok", JsonBool(!r.failure.Failed())},
                       {"exit", JsonNumber(static_cast<int>(r.failure.exit))},
                       {"command", JsonString(CommandName(r.command))}};
    if (r.command == Command::DEVICES) members.emplace_back("devices", r.devices.empty() ? "[]" : r.devices);
    if (r.command == Command::LIST || r.command == Command::DOWNLOAD)
        members.emplace_back("runs", JsonArrayOf(r.runs, [](const RunRecord& run) {
                                 return JsonObject({{"date", JsonString(run.date)}, {"time", JsonString(run.time)},
                                                    {"files", JsonNumber(run.files)}});
                             }));
    if (r.command == Command::DOWNLOAD) {
        members.emplace_back("folder", OrNull(r.folder));
        members.emplace_back("files", FilesJson(r.files));
        members.emplace_back("empty", FilesJson(r.empty));
        members.emplace_back("skipped", FilesJson(r.skipped));
        members.emplace_back("partial", r.partials.empty() ? JSON_NULL : JsonString(r.partials.back()));
        members.emplace_back("partials", JsonArrayOf(r.partials, JsonString));
    }
    if (r.hasSettings)
        members.emplace_back("settings", JsonObject({{"collect", JsonBool(r.collect)},
                                                     {"sizeBytes", JsonNumber(r.sizeBytes)},
                                                     {"sizeKb", JsonNumber(r.sizeBytes / 1024)}}));
    members.emplace_back("attempts", JsonArrayOf(r.attempts, [](const AttemptRecord& a) {
                             return JsonObject({{"attempt", JsonNumber(a.attempt)}, {"error", FailureJson(a.failure)},
                                                {"waitSeconds", JsonNumber(a.waitSeconds)}});
                         }));
    members.emplace_back("error", r.failure.Failed() ? FailureJson(r.failure) : JSON_NULL);
    return JsonObject(members) + "\n";
}

void CollectPartials(Report& r) {
    r.partials.clear();
    const auto note = [&r](const std::string& path) {
        // A later attempt may have finished the file an earlier one cut short.
        if (path.empty() || RegularFileSize(PathFromUtf8(path)) < 0) return;
        r.partials.erase(std::remove(r.partials.begin(), r.partials.end(), path), r.partials.end());
        r.partials.push_back(path);
    };
    for (const AttemptRecord& a : r.attempts) note(a.failure.partial);
    note(r.failure.partial);
}

std::string DownloadSummary(const Report& r, Language language) {
    const std::string counts[] = {std::to_string(r.files.size()), std::to_string(r.skipped.size()),
                                  std::to_string(r.partials.size())};
    return "qvlog: " + Say(language, Text::DOWNLOAD_SUMMARY, {counts[0], counts[1], counts[2]}) + "\n";
}

std::string FailureText(const Failure& f, Language language) {
    std::string text;
    if (f.message >= 0) {
        text += "qvlog: " + DialogTextToUtf8(CatalogueEntry(f.message).text) + "\n";
        if (language != Language::JAPANESE) text += std::string("qvlog: ") + CatalogueEnglish(f.message) + "\n";
    }
    if (!f.detail.empty()) text += "qvlog: " + f.detail + "\n";
    return text;
}
