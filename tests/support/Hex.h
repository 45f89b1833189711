// Bytes written as they appear on the wire ("AA 10 20 00 00 DB"), both ways,
// so failing tests print frames as hex.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Puts `more` behind `bytes`, as a stream carries them.
inline void Append(Bytes& bytes, const Bytes& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }

inline Bytes Hex(const std::string& text) {
    Bytes out;
    int nibbles = 0;
    unsigned value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else continue;
        value = value * 16 + static_cast<unsigned>(digit);
        if (++nibbles == 2) {
            out.push_back(static_cast<uint8_t>(value));
            nibbles = 0;
            value = 0;
        }
    }
    return out;
}

inline std::string ToHex(const uint8_t* data, size_t size) {
    std::string out;
    char cell[4];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(cell, sizeof cell, i ? " %02X" : "%02X", data[i]);
        out += cell;
    }
    return out;
}

inline std::string ToHex(const Bytes& bytes) { return ToHex(bytes.data(), bytes.size()); }
