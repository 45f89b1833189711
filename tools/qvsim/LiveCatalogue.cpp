#include "tools/qvsim/LiveCatalogue.h"

#include <algorithm>

#include "tools/qvsim/Random.h"

namespace qvsim {

namespace {

constexpr size_t MAX_FILES = 65535;  // the file count travels as 16 bits
constexpr int64_t MICROS_PER_SECOND = 1000000;

}  // namespace

LiveCatalogue::LiveCatalogue(Catalogue& base, uint32_t bytesPerSecond, int64_t startedAt)
    : m_base(base),
      m_rate(std::min(bytesPerSecond, MAX_RATE)),
      m_hasRun(base.RunCount() > 0),
      m_caughtUpTo(startedAt) {
    std::vector<RunInfo> runs;
    for (size_t run = 0; run < base.RunCount(); ++run)
        runs.push_back(RunInfo{base.Run(run), base.FileCount(run), run});
    SetRuns(std::move(runs));
    if (!m_hasRun) return;
    m_run = RunCount() - 1;
    m_start = RunStartSeconds(Run(m_run));
    m_seed = Mix64(static_cast<uint64_t>(m_start));
    const uint16_t files = FileCount(m_run);
    if (files == 0) return;
    // The rows go on from the run's last row, as far as the sizes tell.
    uint64_t rows = 0;
    for (uint16_t file = 0; file < files; ++file)
        rows += CsvRowsBegun(CsvStream{m_seed, m_start, 0, true}, base.FileSize(m_run, file));
    m_firstLive = static_cast<uint16_t>(files - 1);
    const uint32_t size = base.FileSize(m_run, m_firstLive);
    m_live.push_back(LiveFile{size, size, rows});
}

void LiveCatalogue::CatchUp(int64_t now, bool logEnable, uint32_t logSize) {
    if (now <= m_caughtUpTo) return;
    if (logEnable) m_loggingMicros += now - m_caughtUpTo;
    m_caughtUpTo = now;
    // Counted from the start each time, so no rounding adds up.
    const uint64_t seconds = static_cast<uint64_t>(m_loggingMicros / MICROS_PER_SECOND);
    const uint64_t micros = static_cast<uint64_t>(m_loggingMicros % MICROS_PER_SECOND);
    const uint64_t due = seconds * m_rate + micros * m_rate / MICROS_PER_SECOND;
    uint64_t left = due - m_loggedBytes;
    m_loggedBytes = due;
    if (left == 0 || !m_hasRun) return;

    const uint16_t first = static_cast<uint16_t>(m_firstLive + (m_live.empty() ? 0 : m_live.size() - 1));
    const uint32_t from = m_live.empty() ? 0 : m_live.back().size;
    const uint32_t limit = logSize == 0 ? UINT32_MAX : logSize;
    bool grew = false;
    // Each pass fills a file or ends the bytes; Roll stops at the last file.
    while (left > 0) {
        if (m_live.empty() || m_live.back().size >= limit) {
            if (!Roll()) break;  // the card is full: the rest is not logged
            continue;
        }
        LiveFile& file = m_live.back();
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(left, limit - file.size));
        file.size += n;
        left -= n;
        grew = true;
    }
    if (grew && onGrowth) onGrowth(m_run, first, from);
}

bool LiveCatalogue::Roll() {
    const size_t next = m_firstLive + m_live.size();
    if (next >= MAX_FILES) return false;
    uint64_t firstRow = 0;
    if (!m_live.empty()) {
        const LiveFile& last = m_live.back();
        firstRow = last.firstRow + CsvRowsBegun(StreamOf(last), last.size - last.baseBytes);
    }
    m_live.push_back(LiveFile{0, 0, firstRow});
    SetFileCount(m_run, static_cast<uint16_t>(next + 1));
    return true;
}

const LiveCatalogue::LiveFile* LiveCatalogue::Live(size_t run, uint16_t file) const {
    if (!m_hasRun || run != m_run || file < m_firstLive) return nullptr;
    const size_t index = file - m_firstLive;
    return index < m_live.size() ? &m_live[index] : nullptr;
}

CsvStream LiveCatalogue::StreamOf(const LiveFile& file) const {
    // A file begun by logging starts with the header; a grown one goes on
    // with rows after what it held.
    return CsvStream{m_seed, m_start, file.firstRow, file.baseBytes == 0};
}

uint32_t LiveCatalogue::FileSize(size_t run, uint16_t file) const {
    const LiveFile* live = Live(run, file);
    return live ? live->size : m_base.FileSize(run, file);
}

bool LiveCatalogue::Read(size_t run, uint16_t file, uint32_t offset, uint8_t* out, uint32_t size) {
    const LiveFile* live = Live(run, file);
    if (!live) return m_base.Read(run, file, offset, out, size);
    if (static_cast<uint64_t>(offset) + size > live->size) return false;
    uint32_t fromBase = 0;
    if (offset < live->baseBytes) {
        fromBase = std::min(size, live->baseBytes - offset);
        if (!m_base.Read(run, file, offset, out, fromBase)) return false;
    }
    if (fromBase < size)
        ReadCsvStream(StreamOf(*live), offset + fromBase - live->baseBytes, out + fromBase,
                      size - fromBase);
    return true;
}

}  // namespace qvsim
