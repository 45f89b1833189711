// A made-up catalogue, the same for the same numbers: `runs` runs of `files`
// files of exactly `bytes` bytes each, two runs a day from 2024-05-07
// 09:05:00 on. Instrument K of a fleet starts its runs K - 1 minutes later
// and logs other rows, so that no two instruments' catalogues look alike.
// File contents are made block by block on demand, so a catalogue of any
// size costs no memory.
#pragma once

#include <cstdint>

#include "tools/qvsim/Catalogue.h"

namespace qvsim {

class GeneratedCatalogue : public Catalogue {
public:
    static constexpr uint32_t MAX_RUNS = 100000;

    static constexpr uint32_t MAX_INSTRUMENT = 256;

    // `instrument` counts from 1, up to MAX_INSTRUMENT.
    GeneratedCatalogue(uint32_t runs, uint16_t files, uint32_t bytes, uint32_t instrument = 1);

    uint32_t FileSize(size_t run, uint16_t file) const override;
    bool Read(size_t run, uint16_t file, uint32_t offset, uint8_t* out, uint32_t size) override;

    // The stamp of the run with this index, as the constructor lays them out.
    static RunStamp StampOf(uint32_t index, uint32_t instrument = 1);

private:
    uint32_t m_bytes;
    uint64_t m_rowsPerFile;  // rows that start inside one file
    uint64_t m_seed;
};

}  // namespace qvsim
