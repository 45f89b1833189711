// The simulator's engine on a virtual clock, with a catalogue held in memory
// and a wire that records what the instrument writes, so tests read as the
// bytes on the line.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/Frames.h"
#include "tools/qvsim/Catalogue.h"
#include "tools/qvsim/Instrument.h"

namespace qvsim_test {

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

// Bytes 0, 1, 2, ... 255, 0, ... offset by `seed`, so every file differs.
inline Bytes Pattern(size_t size, uint8_t seed) {
    Bytes out(size);
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(i + seed);
    return out;
}

// Records every write; can be told to take only so many bytes.
class Wire : public qvsim::ByteOutput {
public:
    size_t Write(const uint8_t* data, size_t size) override {
        size_t n = size < room ? size : room;
        if (room != SIZE_MAX) room -= n;
        bytes.insert(bytes.end(), data, data + n);
        if (n) writes.push_back(n);
        return n;
    }
    Bytes Take() {
        Bytes out;
        out.swap(bytes);
        return out;
    }
    Bytes bytes;
    std::vector<size_t> writes;
    size_t room = SIZE_MAX;
};

inline Bytes Ack(uint8_t code) { return WireFrame(SYNC_RESPONSE, 0x88, code); }

// The engine with a hand-advanced clock (microseconds).
class Sim {
public:
    Sim(qvsim::Catalogue& catalogue, const qvsim::InstrumentConfig& config = {})
        : instrument(catalogue, config, nullptr) {
        instrument.Connect(now);
    }
    // Sends bytes at the current time and returns what the instrument wrote
    // by then.
    Bytes Send(const Bytes& bytes) {
        instrument.Receive(bytes.data(), bytes.size(), now);
        instrument.Pump(now, wire);
        return wire.Take();
    }
    Bytes Send(const std::string& hex) { return Send(Hex(hex)); }
    std::string Exchange(const std::string& hex) { return ToHex(Send(hex)); }
    // Moves the clock to `at` and returns what was written by then.
    Bytes AdvanceTo(int64_t at) {
        now = at;
        instrument.Pump(now, wire);
        return wire.Take();
    }
    // Follows the engine's deadlines until it has nothing left to do.
    Bytes RunToIdle(int64_t limit = 600000000) {
        Bytes out;
        for (int64_t at; (at = instrument.NextDeadline(false)) != qvsim::NO_DEADLINE && at <= limit;) {
            Bytes got = AdvanceTo(std::max(at, now));
            out.insert(out.end(), got.begin(), got.end());
        }
        return out;
    }

    int64_t now = 0;
    Wire wire;
    qvsim::Instrument instrument;
};

inline const RunStamp RUN_0507_0905{2024, 5, 7, 9, 5, 0};
inline const RunStamp RUN_0507_1430{2024, 5, 7, 14, 30, 15};
inline const RunStamp RUN_0509_0800{2024, 5, 9, 8, 0, 0};

}  // namespace qvsim_test
