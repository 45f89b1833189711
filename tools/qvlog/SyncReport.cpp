#include "tools/qvlog/SyncReport.h"

#include <algorithm>
#include <cstdio>

#include "tools/qvlog/Json.h"
#include "tools/qvlog/Outcome.h"

namespace {

std::string Padded(const std::string& text, size_t width) {
    const size_t used = DisplayWidth(text);
    return text + std::string(width > used ? width - used : 0, ' ');
}

std::string Amount(uint64_t bytes) {
    char text[32];
    if (bytes >= 1048576) std::snprintf(text, sizeof text, "%.1f MB", bytes / 1048576.0);
    else if (bytes >= 1024) std::snprintf(text, sizeof text, "%.1f KB", bytes / 1024.0);
    else std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    return text;
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

// The outcome and, for one not complete, its cause in the user's words.
std::string OutcomeText(const SyncResult& result, Language language) {
    std::string text = Say(language, result.report.failure.Failed() || result.busy ? Text::SYNC_NOT_COMPLETE
                                                                                    : Text::SYNC_COMPLETE);
    if (result.report.failure.Failed()) text += " (" + CauseInLine(language, result.report.failure.cause) + ")";
    return text;
}

}  // namespace

size_t DisplayWidth(const std::string& utf8) {
    size_t width = 0;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        uint32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (size_t k = 1; k < length && i + k < utf8.size(); ++k)
            code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        // Hangul, CJK, kana, full-width forms: two columns; so are the
        // ideographs beyond the basic plane that names hold (U+20BB7).
        const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
                          (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                          (code >= 0xFF00 && code <= 0xFF60) || (code >= 0xFFE0 && code <= 0xFFE6) ||
                          (code >= 0x20000 && code <= 0x3FFFD);
        width += wide ? 2 : 1;
        i += length;
    }
    return width;
}

std::string SyncStatusLine(const SyncResult& r, size_t nameWidth, std::chrono::steady_clock::time_point now,
                           Language language) {
    std::string state;
    if (r.finished) {
        state = OutcomeText(r, language);
    } else if (!r.started) {
        state = Say(language, Text::SYNC_WAITING);
    } else {
        // From its own start: an instrument that waited for its turn has not
        // been fetching meanwhile.
        const double secondsRunning = std::chrono::duration<double>(now - r.startTime).count();
        const double rate = secondsRunning > 0 ? r.bytes.load() / secondsRunning : 0;
        state = Say(language, Text::SYNC_RUNNING,
                    {std::to_string(r.files.load()), Amount(r.bytes.load()), Amount(static_cast<uint64_t>(rate))});
    }
    return Padded(r.name, nameWidth) + "  " + state;
}

std::vector<std::string> SyncStatusLines(const SyncResults& results, size_t rows,
                                         std::chrono::steady_clock::time_point now, Language language) {
    size_t width = 0;
    for (const auto& r : results) width = std::max(width, DisplayWidth(r->name));
    std::vector<std::string> lines;
    const bool fits = rows == 0 || results.size() < rows;
    size_t complete = 0, files = 0;
    uint64_t bytes = 0;
    for (const auto& r : results) {
        const bool atWork = r->started && !r->finished;
        if (fits || (atWork && lines.size() + 2 < rows)) lines.push_back(SyncStatusLine(*r, width, now, language));
        complete += r->finished && !r->report.failure.Failed() && !r->busy;
        files += static_cast<size_t>(r->files.load());
        bytes += r->bytes.load();
    }
    if (!fits)
        lines.push_back(Say(language, Text::SYNC_TOTALS, {std::to_string(complete), std::to_string(results.size()),
                                                          std::to_string(files), Amount(bytes)}));
    return lines;
}

std::string SyncEndLine(const SyncResult& r, Language language) {
    return Say(language, Text::SYNC_ENDED, {OutcomeText(r, language), std::to_string(r.report.files.size()),
                                            Amount(r.FileBytes()), Seconds(r.seconds)});
}

std::string SyncTable(const SyncResults& results, Language language) {
    const std::vector<std::string> head = {Say(language, Text::SYNC_COLUMN_INSTRUMENT),
                                           Say(language, Text::SYNC_COLUMN_FILES), Say(language, Text::SYNC_COLUMN_BYTES),
                                           Say(language, Text::SYNC_COLUMN_TIME),
                                           Say(language, Text::SYNC_COLUMN_OUTCOME)};
    std::vector<std::vector<std::string>> rows = {head};
    size_t files = 0, complete = 0;
    uint64_t bytes = 0;
    for (const auto& r : results) {
        rows.push_back({r->name, std::to_string(r->report.files.size()), Amount(r->FileBytes()), Seconds(r->seconds),
                        OutcomeText(*r, language)});
        files += r->report.files.size();
        bytes += r->FileBytes();
        complete += !r->report.failure.Failed() && !r->busy;
    }
    std::vector<size_t> widths(head.size(), 0);
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) line += c + 1 < row.size() ? Padded(row[c], widths[c] + 2) : row[c];
        text += line + "\n";
    }
    text += Say(language, Text::SYNC_TOTALS,
                {std::to_string(complete), std::to_string(results.size()), std::to_string(files), Amount(bytes)}) +
            "\n";
    return text;
}

std::string SyncJson(const SyncResults& results, const std::string& fleetFile, int exit, double seconds) {
    size_t files = 0, complete = 0;
    uint64_t bytes = 0;
    std::vector<std::string> items;
    for (const auto& r : results) {
        const Failure& f = r->report.failure;
        files += r->report.files.size();
        bytes += r->FileBytes();
        complete += !f.Failed() && !r->busy;
        items.push_back(JsonObject({
            {"name", JsonString(r->name)},
            {"connection", JsonString(r->connection)},
            {"folder", JsonString(r->folder)},
            {"files", JsonArrayOf(r->report.files,
                                  [](const FileRecord& file) {
                                      return JsonObject({{"name", JsonString(file.name)}, {"size", JsonNumber(file.size)}});
                                  })},
            {"bytes", JsonNumber(static_cast<int64_t>(r->FileBytes()))},
            {"seconds", JsonNumber(static_cast<int64_t>(r->seconds + 0.5))},
            {"outcome", JsonString(r->OutcomeWord())},
            {"cause", f.Failed() ? JsonString(CauseKey(f.cause)) : JSON_NULL},
            {"detail", f.Failed() && !f.detail.empty() ? JsonString(f.detail) : JSON_NULL},
            {"attempts", JsonNumber(r->report.connections)},
            {"partials", JsonArrayOf(r->report.partials, [](const std::string& path) { return JsonString(path); })},
        }));
    }
    return JsonObject({{"ok", JsonBool(exit == 0)},
                       {"exit", JsonNumber(exit)},
                       {"command", JsonString("sync")},
                       {"fleet", JsonString(fleetFile)},
                       {"instruments", JsonArray(items)},
                       {"totals", JsonObject({{"instruments", JsonNumber(static_cast<int64_t>(results.size()))},
                                              {"complete", JsonNumber(static_cast<int64_t>(complete))},
                                              {"files", JsonNumber(static_cast<int64_t>(files))},
                                              {"bytes", JsonNumber(static_cast<int64_t>(bytes))},
                                              {"seconds", JsonNumber(static_cast<int64_t>(seconds + 0.5))}})}}) +
           "\n";
}
