// A catalogue whose newest run is still being logged: while log collection
// is on, the run's last file grows by so many bytes a second of made-up CSV
// rows, and once it reaches the log file size the run goes on in a new file.
// The growth follows the instrument's clock through CatchUp and nothing
// changes between two calls, so a size the instrument announces is the size
// it reads the file at. A file only ever grows: what it held stays as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/qvsim/Catalogue.h"
#include "tools/qvsim/CsvLog.h"

namespace qvsim {

class LiveCatalogue : public Catalogue {
public:
    static constexpr uint32_t MAX_RATE = 100000000;  // bytes a second

    // Serves `base`, which must outlive this, plus what is logged from
    // `startedAt` on (CatchUp's clock). With no run at all nothing grows.
    LiveCatalogue(Catalogue& base, uint32_t bytesPerSecond, int64_t startedAt);

    // A log size of 0 lets a file grow as far as 32 bits can announce.
    void CatchUp(int64_t now, bool logEnable, uint32_t logSize) override;
    uint32_t FileSize(size_t run, uint16_t file) const override;
    bool Read(size_t run, uint16_t file, uint32_t offset, uint8_t* out, uint32_t size) override;

    // Told after a CatchUp that logged something: file `first` of run `run`
    // grew from `from` bytes, and the files after it are new.
    std::function<void(size_t run, uint16_t first, uint32_t from)> onGrowth;

private:
    // The run's last file as it was, and every file logging started since.
    struct LiveFile {
        uint32_t size;
        uint32_t baseBytes;  // the first bytes, as the base catalogue has them
        uint64_t firstRow;   // the row that follows them
    };
    const LiveFile* Live(size_t run, uint16_t file) const;
    CsvStream StreamOf(const LiveFile& file) const;
    // Starts the run's next file; false when the run holds all the files
    // that a 16-bit count can tell.
    bool Roll();

    Catalogue& m_base;
    uint32_t m_rate;
    bool m_hasRun;
    size_t m_run = 0;
    uint16_t m_firstLive = 0;  // the file number of m_live[0]
    std::vector<LiveFile> m_live;
    uint64_t m_seed = 0;
    int64_t m_start = 0;
    int64_t m_caughtUpTo;
    int64_t m_loggingMicros = 0;  // time spent with log collection on
    uint64_t m_loggedBytes = 0;
};

}  // namespace qvsim
