// A frame as the wire carries it, for the tests' instruments: any payload
// length up to the 65535 the length field holds (more than a frame may
// carry, for instruments that misbehave), with its checksum.
#pragma once

#include <cstdint>

#include "tests/support/Hex.h"

inline Bytes WireFrame(uint8_t sync, uint8_t command, uint8_t status, const Bytes& payload = {}) {
    Bytes out;
    out.reserve(payload.size() + 6);
    for (uint8_t b : {sync, command, status, static_cast<uint8_t>(payload.size() >> 8),
                      static_cast<uint8_t>(payload.size())})
        out.push_back(b);
    for (uint8_t b : payload) out.push_back(b);
    uint8_t sum = 0;
    for (uint8_t b : out) sum = static_cast<uint8_t>(sum + b);
    out.push_back(static_cast<uint8_t>(sum + 1));
    return out;
}
