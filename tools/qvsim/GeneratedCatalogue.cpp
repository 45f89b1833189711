#include "tools/qvsim/GeneratedCatalogue.h"

#include <algorithm>

#include "tools/qvsim/Calendar.h"
#include "tools/qvsim/CsvLog.h"
#include "tools/qvsim/Random.h"

namespace qvsim {

namespace {

const int64_t FIRST_DAY = DaysFromCivil(CivilDate{2024, 5, 7});

}  // namespace

RunStamp GeneratedCatalogue::StampOf(uint32_t index, uint32_t instrument) {
    // Two runs a day, one in the morning and one in the afternoon, their
    // minutes and seconds drifting from day to day.
    const uint32_t day = index / 2;
    const bool afternoon = index % 2 != 0;
    const CivilDate date = CivilFromDays(FIRST_DAY + day);
    RunStamp stamp;
    stamp.year = static_cast<uint16_t>(date.year);
    stamp.month = static_cast<uint8_t>(date.month);
    stamp.day = static_cast<uint8_t>(date.day);
    // At most 255 minutes later: a morning run stays before the afternoon's.
    const uint32_t later = std::min(std::max(instrument, 1u), MAX_INSTRUMENT) - 1;
    const uint32_t minutes = (afternoon ? 14 : 9) * 60 + ((afternoon ? 30 : 5) + 7 * day) % 60 + later;
    stamp.hour = static_cast<uint8_t>(minutes / 60);
    stamp.minute = static_cast<uint8_t>(minutes % 60);
    stamp.second = static_cast<uint8_t>(((afternoon ? 15 : 0) + 11 * day) % 60);
    return stamp;
}

GeneratedCatalogue::GeneratedCatalogue(uint32_t runs, uint16_t files, uint32_t bytes, uint32_t instrument)
    : m_bytes(bytes),
      m_rowsPerFile(bytes > CSV_HEADER_SIZE
                        ? (bytes - CSV_HEADER_SIZE + CSV_ROW_SIZE - 1) / CSV_ROW_SIZE
                        : 0),
      m_seed(Mix64((static_cast<uint64_t>(runs) << 40) ^ (static_cast<uint64_t>(files) << 24) ^ bytes) +
             instrument - 1) {
    runs = std::min(runs, MAX_RUNS);
    std::vector<RunInfo> list;
    list.reserve(runs);
    for (uint32_t i = 0; i < runs; ++i) list.push_back(RunInfo{StampOf(i, instrument), files, i});
    SetRuns(std::move(list));
}

uint32_t GeneratedCatalogue::FileSize(size_t, uint16_t) const { return m_bytes; }

bool GeneratedCatalogue::Read(size_t run, uint16_t file, uint32_t offset, uint8_t* out,
                              uint32_t size) {
    const uint64_t end = static_cast<uint64_t>(offset) + size;
    if (end > m_bytes) return false;
    const CsvStream stream{Mix64(m_seed ^ Source(run)), RunStartSeconds(Run(run)),
                           static_cast<uint64_t>(file) * m_rowsPerFile, true};
    ReadCsvStream(stream, offset, out, size);
    // A file ends where its size says, usually inside a row; that row is cut
    // short but keeps its line end.
    if (m_bytes > CSV_HEADER_SIZE) {
        const uint64_t kept = (m_bytes - CSV_HEADER_SIZE) % CSV_ROW_SIZE;
        const uint64_t lineEndStart = m_bytes - std::min<uint64_t>(kept, 2);
        for (uint64_t at = std::max<uint64_t>(offset, lineEndStart); at < end; ++at)
            out[at - offset] = static_cast<uint8_t>("\r\n"[2 - (m_bytes - at)]);
    }
    return true;
}

}  // namespace qvsim
