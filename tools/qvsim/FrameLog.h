// The frame trace of -v and --record: one line per frame, both ways, in hex
// with the time since start ("   1.250 <- AA 10 20 00 00 DB"), plus notes
// about connections and faults. Either destination may be absent. Each
// instrument of a fleet has its own log, its lines marked "#K" after the time;
// lines go out whole, so logs may share a destination.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace qvsim {

class FrameLog {
public:
    // `instrument`: K of a fleet, 0 when it plays alone.
    FrameLog(std::FILE* verbose, std::FILE* record, uint32_t instrument = 0)
        : m_verbose(verbose), m_record(record), m_instrument(instrument) {}

    bool Enabled() const { return m_verbose || m_record; }
    // `arrow` is "<-" for received frames and "->" for sent ones; `note`,
    // when given, follows the bytes in parentheses.
    void Frame(int64_t now, const char* arrow, const uint8_t* bytes, size_t size,
               const char* note = nullptr);
    void Note(int64_t now, const char* text);

private:
    void Emit(const char* line, size_t size);

    std::FILE* m_verbose;
    std::FILE* m_record;
    uint32_t m_instrument;
    // A whole frame in hex, written with one call so lines do not interleave.
    char m_line[32 + 3 * 1040 + 64];
};

}  // namespace qvsim
