#include "tools/qvsim/GeneratedCatalogue.h"

#include <algorithm>
#include <cstring>

#include "tools/qvsim/Calendar.h"
#include "tools/qvsim/CsvLog.h"
#include "tools/qvsim/Random.h"

namespace qvsim {

namespace {

const int64_t FIRST_DAY = DaysFromCivil(CivilDate{2024, 5, 7});

int64_t StartSeconds(const RunStamp& s) {
    return DaysFromCivil(CivilDate{s.year, s.month, s.day}) * 86400 + s.hour * 3600 +
           s.minute * 60 + s.second;
}

}  // namespace

RunStamp GeneratedCatalogue::StampOf(uint32_t index) {
    // Two runs a day, one in the morning and one in the afternoon, their
    // minutes and seconds drifting from day to day.
    const uint32_t day = index / 2;
    const bool afternoon = index % 2 != 0;
    const CivilDate date = CivilFromDays(FIRST_DAY + day);
    RunStamp stamp;
    stamp.year = static_cast<uint16_t>(date.year);
    stamp.month = static_cast<uint8_t>(date.month);
    stamp.day = static_cast<uint8_t>(date.day);
    stamp.hour = afternoon ? 14 : 9;
    stamp.minute = static_cast<uint8_t>(((afternoon ? 30 : 5) + 7 * day) % 60);
    stamp.second = static_cast<uint8_t>(((afternoon ? 15 : 0) + 11 * day) % 60);
    return stamp;
}

GeneratedCatalogue::GeneratedCatalogue(uint32_t runs, uint16_t files, uint32_t bytes)
    : m_bytes(bytes),
      m_rowsPerFile(bytes > CSV_HEADER_SIZE
                        ? (bytes - CSV_HEADER_SIZE + CSV_ROW_SIZE - 1) / CSV_ROW_SIZE
                        : 0),
      m_seed(Mix64((static_cast<uint64_t>(runs) << 40) ^ (static_cast<uint64_t>(files) << 24) ^
                   bytes)) {
    runs = std::min(runs, MAX_RUNS);
    std::vector<RunInfo> list;
    list.reserve(runs);
    for (uint32_t i = 0; i < runs; ++i) list.push_back(RunInfo{StampOf(i), files, i});
    SetRuns(std::move(list));
}

uint32_t GeneratedCatalogue::FileSize(size_t, uint16_t) const { return m_bytes; }

bool GeneratedCatalogue::Read(size_t run, uint16_t file, uint32_t offset, uint8_t* out,
                              uint32_t size) {
    const uint64_t end = static_cast<uint64_t>(offset) + size;
    if (end > m_bytes) return false;
    const uint64_t runSeed = Mix64(m_seed ^ Source(run));
    const int64_t start = StartSeconds(Run(run));
    const uint64_t firstRow = static_cast<uint64_t>(file) * m_rowsPerFile;
    // A file ends where its size says, usually inside a row; that row is cut
    // short but keeps its line end.
    const uint64_t cutRowStart =
        m_bytes > CSV_HEADER_SIZE
            ? CSV_HEADER_SIZE + (m_bytes - CSV_HEADER_SIZE) / CSV_ROW_SIZE * CSV_ROW_SIZE
            : UINT64_MAX;
    char row[CSV_ROW_SIZE];
    uint64_t pos = offset;
    while (pos < end) {
        if (pos < CSV_HEADER_SIZE) {
            const uint64_t n = std::min<uint64_t>(CSV_HEADER_SIZE - pos, end - pos);
            std::memcpy(out, CSV_HEADER + pos, n);
            out += n;
            pos += n;
            continue;
        }
        const uint64_t index = (pos - CSV_HEADER_SIZE) / CSV_ROW_SIZE;
        const uint64_t rowStart = CSV_HEADER_SIZE + index * CSV_ROW_SIZE;
        MakeCsvRow(runSeed, start, firstRow + index, row);
        if (rowStart == cutRowStart) {
            const uint64_t kept = m_bytes - rowStart;
            if (kept >= 2) {
                row[kept - 2] = '\r';
                row[kept - 1] = '\n';
            } else {
                row[0] = '\n';
            }
        }
        const uint64_t within = pos - rowStart;
        const uint64_t n = std::min<uint64_t>(CSV_ROW_SIZE - within, end - pos);
        std::memcpy(out, row + within, n);
        out += n;
        pos += n;
    }
    return true;
}

}  // namespace qvsim
