// What the simulated instrument has on its SD card: log runs, each named by
// its start date and time, each with numbered files. The runs are kept in
// date-then-time order, so one date's runs sit side by side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qvsim {

struct RunStamp {
    uint16_t year;
    uint8_t month, day, hour, minute, second;
};

bool operator<(const RunStamp& a, const RunStamp& b);
bool operator==(const RunStamp& a, const RunStamp& b);
bool SameDate(const RunStamp& a, const RunStamp& b);

// The folder name of a run, "YYYYMMDD_HHMMSS", and back; ParseRunFolder
// refuses anything else, including impossible months, hours and so on.
std::string RunFolderName(const RunStamp& stamp);
bool ParseRunFolder(const std::string& name, RunStamp& stamp);
// "00000003.csv"
std::string LogFileName(uint32_t fileNumber);
// The run's start in seconds since 1970-01-01, where its rows' time stamps
// count from.
int64_t RunStartSeconds(const RunStamp& stamp);

class Catalogue {
public:
    virtual ~Catalogue() = default;

    size_t RunCount() const { return m_runs.size(); }
    const RunStamp& Run(size_t run) const { return m_runs[run].stamp; }
    uint16_t FileCount(size_t run) const { return m_runs[run].files; }

    // Distinct dates in ascending order, each as the index of its first run.
    size_t DateCount() const { return m_dateStarts.size(); }
    size_t DateFirstRun(size_t date) const { return m_dateStarts[date]; }

    // The runs [first, end) of one date; false when no run has that date.
    bool FindDate(uint16_t year, uint8_t month, uint8_t day, size_t& first, size_t& end) const;
    bool FindRun(const RunStamp& stamp, size_t& run) const;

    virtual uint32_t FileSize(size_t run, uint16_t file) const = 0;
    // Copies `size` bytes of a file from `offset`; the range lies inside the
    // file. False when the bytes cannot be had (the file went away, say).
    virtual bool Read(size_t run, uint16_t file, uint32_t offset, uint8_t* out, uint32_t size) = 0;

    // The instrument has been logging until `now` (its clock, in
    // microseconds) with these settings, the ones in force since the last
    // call. A catalogue that is being written to grows to match; the others
    // stand still.
    virtual void CatchUp(int64_t /*now*/, bool /*logEnable*/, uint32_t /*logSize*/) {}

protected:
    struct RunInfo {
        RunStamp stamp;
        uint16_t files;
        size_t source;  // the subclass's own index for this run
    };
    // Sorts the runs and builds the date index; duplicates keep the first.
    void SetRuns(std::vector<RunInfo> runs);
    size_t Source(size_t run) const { return m_runs[run].source; }
    void SetFileCount(size_t run, uint16_t files) { m_runs[run].files = files; }

private:
    std::vector<RunInfo> m_runs;
    std::vector<size_t> m_dateStarts;
};

// Writes every run and file into `dir` in the layout that the folder
// catalogue reads. False with a reason in `error` on the first failure.
bool DumpCatalogue(Catalogue& catalogue, const std::string& dir, std::string& error);
// Brings such a dump up to date after a run grew: file `first` from byte
// `from` on (what it held before stays), and every file after it anew.
bool DumpGrowth(Catalogue& catalogue, const std::string& dir, size_t run, uint16_t first,
                uint32_t from, std::string& error);

}  // namespace qvsim
