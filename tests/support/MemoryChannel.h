// A channel without a device: tests push "received" bytes into the ring and
// read back what was written, call by call, or answer each write at once.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "comm/CComm.h"
#include "tests/support/Hex.h"

class MemoryChannel : public CComm {
public:
    // What the channels over it did. Read under `mutex` while a link runs.
    struct Log {
        std::mutex mutex;
        std::vector<Bytes> writes;
        std::function<void(const Bytes&)> onWrite;  // may answer through current->Receive
        MemoryChannel* current = nullptr;           // the channel open now
        bool opens = true;
        int closes = 0;
        bool destroyed = false;
    };

    explicit MemoryChannel(Log& log) : m_log(log) {}
    ~MemoryChannel() override {
        std::lock_guard<std::mutex> lock(m_log.mutex);
        m_log.destroyed = true;
        if (m_log.current == this) m_log.current = nullptr;
    }

    bool Open(const void*) override {
        std::lock_guard<std::mutex> lock(m_log.mutex);
        if (m_log.opens) m_log.current = this;
        return m_log.opens;
    }
    void Close() override {
        std::lock_guard<std::mutex> lock(m_log.mutex);
        ++m_log.closes;
    }
    int Write(const uint8_t* data, int length) override {
        if (m_hungUp) return -1;
        const Bytes bytes(data, data + length);
        {
            std::lock_guard<std::mutex> lock(m_log.mutex);
            m_log.writes.push_back(bytes);
        }
        if (m_log.onWrite) m_log.onWrite(bytes);
        return length;
    }
    // The line hangs up: writes fail from now on, the receive loop has ended.
    void HangUp() {
        m_hungUp = true;
        MarkReceiveEnded();
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
    bool m_hungUp = false;  // the writing thread's alone
};
