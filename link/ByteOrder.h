// Every number on the wire is big-endian: the frame length, sizes, years,
// file numbers and counts. Read and written here alone.
#pragma once

#include <cstdint>

inline uint16_t ReadBig16(const uint8_t* in) { return static_cast<uint16_t>(in[0] << 8 | in[1]); }

inline uint32_t ReadBig32(const uint8_t* in) {
    return static_cast<uint32_t>(in[0]) << 24 | static_cast<uint32_t>(in[1]) << 16 |
           static_cast<uint32_t>(in[2]) << 8 | in[3];
}

inline void WriteBig16(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value >> 8);
    out[1] = static_cast<uint8_t>(value);
}

inline void WriteBig32(uint8_t* out, uint32_t value) {
    WriteBig16(out, value >> 16);
    WriteBig16(out + 2, value);
}
