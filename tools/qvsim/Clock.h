// The simulator's time: microseconds on a monotonic clock since the program
// started. The engine never reads it; the transports pass it in.
#pragma once

#include <chrono>
#include <cstdint>

namespace qvsim {

inline int64_t ElapsedMicros() {
    static const auto start = std::chrono::steady_clock::now();
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace qvsim
