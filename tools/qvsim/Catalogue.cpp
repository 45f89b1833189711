#include "tools/qvsim/Catalogue.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "tools/qvsim/Calendar.h"

namespace qvsim {

namespace {

auto Key(const RunStamp& s) {
    return std::make_tuple(s.year, s.month, s.day, s.hour, s.minute, s.second);
}

bool Digits(const std::string& text, size_t from, size_t count, uint32_t& value) {
    value = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    }
    return true;
}

}  // namespace

bool operator<(const RunStamp& a, const RunStamp& b) { return Key(a) < Key(b); }
bool operator==(const RunStamp& a, const RunStamp& b) { return Key(a) == Key(b); }
bool SameDate(const RunStamp& a, const RunStamp& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

std::string RunFolderName(const RunStamp& s) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u%02u%02u_%02u%02u%02u", s.year, s.month, s.day, s.hour,
                  s.minute, s.second);
    return text;
}

bool ParseRunFolder(const std::string& name, RunStamp& stamp) {
    if (name.size() != 15 || name[8] != '_') return false;
    uint32_t year, month, day, hour, minute, second;
    if (!Digits(name, 0, 4, year) || !Digits(name, 4, 2, month) || !Digits(name, 6, 2, day) ||
        !Digits(name, 9, 2, hour) || !Digits(name, 11, 2, minute) || !Digits(name, 13, 2, second))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
        return false;
    stamp = RunStamp{static_cast<uint16_t>(year), static_cast<uint8_t>(month),
                     static_cast<uint8_t>(day),   static_cast<uint8_t>(hour),
                     static_cast<uint8_t>(minute), static_cast<uint8_t>(second)};
    return true;
}

std::string LogFileName(uint32_t fileNumber) {
    char text[24];
    std::snprintf(text, sizeof text, "%08u.csv", fileNumber);
    return text;
}

int64_t RunStartSeconds(const RunStamp& s) {
    return DaysFromCivil(CivilDate{s.year, s.month, s.day}) * 86400 + s.hour * 3600 +
           s.minute * 60 + s.second;
}

void Catalogue::SetRuns(std::vector<RunInfo> runs) {
    std::stable_sort(runs.begin(), runs.end(),
                     [](const RunInfo& a, const RunInfo& b) { return a.stamp < b.stamp; });
    runs.erase(std::unique(runs.begin(), runs.end(),
                           [](const RunInfo& a, const RunInfo& b) { return a.stamp == b.stamp; }),
               runs.end());
    m_runs = std::move(runs);
    m_dateStarts.clear();
    for (size_t i = 0; i < m_runs.size(); ++i)
        if (i == 0 || !SameDate(m_runs[i - 1].stamp, m_runs[i].stamp)) m_dateStarts.push_back(i);
}

bool Catalogue::FindDate(uint16_t year, uint8_t month, uint8_t day, size_t& first,
                         size_t& end) const {
    const RunStamp probe{year, month, day, 0, 0, 0};
    auto it = std::lower_bound(m_runs.begin(), m_runs.end(), probe,
                               [](const RunInfo& r, const RunStamp& p) { return r.stamp < p; });
    if (it == m_runs.end() || !SameDate(it->stamp, probe)) return false;
    first = static_cast<size_t>(it - m_runs.begin());
    end = first;
    while (end < m_runs.size() && SameDate(m_runs[end].stamp, probe)) ++end;
    return true;
}

bool Catalogue::FindRun(const RunStamp& stamp, size_t& run) const {
    auto it = std::lower_bound(m_runs.begin(), m_runs.end(), stamp,
                               [](const RunInfo& r, const RunStamp& p) { return r.stamp < p; });
    if (it == m_runs.end() || !(it->stamp == stamp)) return false;
    run = static_cast<size_t>(it - m_runs.begin());
    return true;
}

namespace {

namespace fs = std::filesystem;

// Writes the file's bytes from `from` on over what `path` holds from there;
// from 0, the file is made anew.
bool DumpFile(Catalogue& catalogue, size_t run, uint16_t file, const fs::path& path, uint32_t from,
              std::string& error) {
    std::ofstream out(path, from == 0 ? std::ios::binary | std::ios::trunc
                                      : std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(from));
    std::vector<uint8_t> chunk(65536);
    const uint32_t size = catalogue.FileSize(run, file);
    for (uint32_t offset = from; out && offset < size;) {
        const uint32_t n = std::min<uint32_t>(size - offset, static_cast<uint32_t>(chunk.size()));
        if (!catalogue.Read(run, file, offset, chunk.data(), n)) {
            error = "cannot read the catalogue's " + path.string();
            return false;
        }
        out.write(reinterpret_cast<const char*>(chunk.data()), n);
        offset += n;
    }
    out.close();
    if (!out) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

}  // namespace

bool DumpCatalogue(Catalogue& catalogue, const std::string& dir, std::string& error) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        error = "cannot create " + dir + ": " + ec.message();
        return false;
    }
    for (size_t run = 0; run < catalogue.RunCount(); ++run) {
        const fs::path folder = fs::path(dir) / RunFolderName(catalogue.Run(run));
        fs::create_directories(folder, ec);
        if (ec) {
            error = "cannot create " + folder.string() + ": " + ec.message();
            return false;
        }
        for (uint32_t file = 0; file < catalogue.FileCount(run); ++file)
            if (!DumpFile(catalogue, run, static_cast<uint16_t>(file), folder / LogFileName(file), 0,
                          error))
                return false;
    }
    return true;
}

bool DumpGrowth(Catalogue& catalogue, const std::string& dir, size_t run, uint16_t first,
                uint32_t from, std::string& error) {
    const fs::path folder = fs::path(dir) / RunFolderName(catalogue.Run(run));
    for (uint32_t file = first; file < catalogue.FileCount(run); ++file)
        if (!DumpFile(catalogue, run, static_cast<uint16_t>(file), folder / LogFileName(file),
                      file == first ? from : 0, error))
            return false;
    return true;
}

}  // namespace qvsim
