// Seeded pseudo-random numbers that come out the same on every platform (the
// standard distributions do not), so one seed repeats a faulty run exactly.
#pragma once

#include <cstdint>

namespace qvsim {

// One step of SplitMix64: a good 64-bit scramble of any input.
inline uint64_t Mix64(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t Next() {
        m_state += 0x9E3779B97F4A7C15ull;
        return Mix64(m_state);
    }
    // 0 to n - 1; n must not be 0.
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }

private:
    uint64_t m_state;
};

}  // namespace qvsim
