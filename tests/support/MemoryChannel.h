// A channel without a device: tests push "received" bytes into the ring and
// read back what was written, call by call.
#pragma once

#include <mutex>
#include <vector>

#include "comm/CComm.h"
#include "tests/support/Hex.h"

class MemoryChannel : public CComm {
public:
    struct Log {
        std::mutex mutex;
        std::vector<Bytes> writes;
        int closes = 0;
        bool destroyed = false;
    };

    explicit MemoryChannel(Log& log, bool opens = true) : m_log(log), m_opens(opens) {}
    ~MemoryChannel() override {
        std::lock_guard<std::mutex> lock(m_log.mutex);
        m_log.destroyed = true;
    }

    bool Open(const void*) override { return m_opens; }
    void Close() override {
        std::lock_guard<std::mutex> lock(m_log.mutex);
        ++m_log.closes;
    }
    int Write(const uint8_t* data, int length) override {
        std::lock_guard<std::mutex> lock(m_log.mutex);
        m_log.writes.emplace_back(data, data + length);
        return length;
    }
    // Bytes as if the receive thread had just received them.
    void Receive(const Bytes& bytes) {
        AppendToRing(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    // As a receive loop takes bytes: no more than the ring has room for.
    // Returns how many it took.
    size_t ReceiveWhatFits(const uint8_t* bytes, size_t count) {
        const uint32_t room = RingRoom();
        const uint32_t taken = count < room ? static_cast<uint32_t>(count) : room;
        AppendToRing(bytes, taken);
        return taken;
    }

private:
    Log& m_log;
    bool m_opens;
};
