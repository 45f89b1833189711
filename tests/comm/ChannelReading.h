// Drains a channel's ring the way the link's parser does, a pass every
// 10 ms, so channel tests see the bytes in the order the ring holds them;
// and the checks every channel's ending must pass.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "comm/CComm.h"
#include "tests/support/Frames.h"
#include "tests/support/ProcessStats.h"

// Reads until `count` bytes came or `timeout` passed.
inline Bytes ReadFromChannel(CComm& channel, size_t count,
                             std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
    Bytes out;
    uint8_t pass[CComm::RING_SIZE];
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (out.size() < count && std::chrono::steady_clock::now() < deadline) {
        const uint32_t got = channel.Read(pass);
        out.insert(out.end(), pass, pass + got);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return out;
}

// Milliseconds that `action` took.
template <typename Action>
double MillisecondsOf(Action action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Waits, up to `limit`, until `condition` holds; whether it did.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// CPU the process uses while this thread sleeps `wall`, kept as `property`.
inline double IdleCpuMilliseconds(const char* property, std::chrono::milliseconds wall) {
    const double before = CpuMilliseconds();
    std::this_thread::sleep_for(wall);
    const double used = CpuMilliseconds() - before;
    ::testing::Test::RecordProperty(property, static_cast<int>(used));
    return used;
}

// Close while the receive thread waits for bytes: prompt, and no loss of
// the line.
inline void ExpectPromptClose(CComm& channel) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the receive thread sits waiting
    const double took = MillisecondsOf([&] { channel.Close(); });
    ::testing::Test::RecordProperty("close_ms", static_cast<int>(took));
    EXPECT_LT(took, 2000.0) << "Close waited for something other than its own shutdown";
    EXPECT_FALSE(channel.ReceiveEnded()) << "Close is not a loss of the line";
}

// After `hangUp` ends the other side of the line: the receive loop ends
// without spinning meanwhile.
template <typename HangUp>
void ExpectTheEndNoticedWithoutSpinning(CComm& channel, HangUp hangUp) {
    EXPECT_FALSE(channel.ReceiveEnded());
    hangUp();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const double used = IdleCpuMilliseconds("cpu_ms_idle_300ms", std::chrono::milliseconds(300));
    EXPECT_LT(used, 50.0) << "the receive loop spins on an ended line";
    EXPECT_TRUE(WaitUntil([&] { return channel.ReceiveEnded(); })) << "the end went unnoticed";
}
