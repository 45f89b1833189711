// A catalogue for qvsim's engine held in memory: runs with the files a test
// gives, byte for byte.
#pragma once

#include <cstring>
#include <utility>
#include <vector>

#include "tests/support/Hex.h"
#include "tools/qvsim/Catalogue.h"

using qvsim::RunStamp;

class MemoryCatalogue : public qvsim::Catalogue {
public:
    struct Entry {
        RunStamp stamp;
        std::vector<Bytes> files;
    };
    explicit MemoryCatalogue(std::vector<Entry> entries) : m_entries(std::move(entries)) {
        std::vector<RunInfo> runs;
        for (size_t i = 0; i < m_entries.size(); ++i)
            runs.push_back(RunInfo{m_entries[i].stamp,
                                   static_cast<uint16_t>(m_entries[i].files.size()), i});
        SetRuns(std::move(runs));
    }
    uint32_t FileSize(size_t run, uint16_t file) const override {
        return static_cast<uint32_t>(m_entries[Source(run)].files[file].size());
    }
    bool Read(size_t run, uint16_t file, uint32_t offset, uint8_t* out, uint32_t size) override {
        if (failReads) return false;
        std::memcpy(out, m_entries[Source(run)].files[file].data() + offset, size);
        return true;
    }
    const Bytes& Content(size_t entry, size_t file) const { return m_entries[entry].files[file]; }
    bool failReads = false;

private:
    std::vector<Entry> m_entries;
};

inline const RunStamp RUN_0507_0905{2024, 5, 7, 9, 5, 0};
inline const RunStamp RUN_0507_1430{2024, 5, 7, 14, 30, 15};
inline const RunStamp RUN_0509_0800{2024, 5, 9, 8, 0, 0};
