// The byte channel to the instrument: a receive thread of the concrete
// channel fills a 4096-byte ring, the link's parser thread drains it with
// Peek and Consume (waking on appends when it asks to), and the dialog's
// thread writes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

#include "comm/ChannelCause.h"
#include "comm/WakeSignal.h"

class CComm {
public:
    static constexpr uint32_t RING_SIZE = 4096;

    CComm();
    virtual ~CComm();
    CComm(const CComm&) = delete;
    CComm& operator=(const CComm&) = delete;

    // Opens the device and starts the receive thread. The parameter record
    // depends on the channel. On failure nothing stays open.
    virtual bool Open(const void* parameters);
    // Stops the receive thread and closes the device. Must come before the
    // destructor on an opened channel.
    virtual void Close();
    // Body of the receive thread; its result is the thread's exit code.
    virtual uint32_t ReceiveLoop();
    // Writes the whole buffer; the count of the last underlying write, or 0
    // (or less) when the device took nothing. Dialog's thread only.
    virtual int Write(const uint8_t* data, int length);

    // Copies every unread byte, oldest first, into destination, which has
    // room for RING_SIZE - 1 bytes. Parser thread only.
    uint32_t Read(uint8_t* destination);
    // Read without marking the bytes read: the reader takes only as many as
    // it can handle with Consume and leaves the rest for later, so that the
    // ring fills and the receive thread stops taking bytes from the device.
    // Parser thread only.
    uint32_t Peek(uint8_t* destination);
    // Marks the oldest `count` unread bytes read; at most what Peek returned.
    // Parser thread only.
    void Consume(uint32_t count);
    // Unread bytes now. For inspection.
    uint32_t UnreadCount();
    // Bytes appended to the ring since Open, never less than at the last
    // call: any thread can see that the line moves without taking the lock.
    uint64_t ReceivedCount() const { return m_received.load(std::memory_order_relaxed); }

    // Returns once bytes have been appended since the last return, or
    // WakeReader was called, or `timeout` passed. Parser thread only.
    void WaitForAppend(std::chrono::milliseconds timeout);
    // Ends the reader's wait at once, or its next one. Any thread.
    void WakeReader();

    // Entry of the receive thread.
    static uint32_t CommThreadProc(CComm* channel);

    // Why the last Open failed (NONE after one that succeeded), with the
    // system's own code for it (errno, GetLastError), 0 when there is none.
    ChannelCause OpenCause() const { return m_openCause; }
    int OpenError() const { return m_openError; }
    // Set when the receive loop ended by itself (the peer closed the
    // connection, the device went away), never by Close. Any thread.
    bool ReceiveEnded() const { return m_receiveEnded.load(); }

protected:
    // The append rule every receive loop follows after a receive of `count`
    // bytes. Never waits for room: unread bytes past 4095 are overwritten.
    void AppendToRing(const uint8_t* bytes, uint32_t count);
    // Bytes that can be appended without overwriting unread ones (0 to
    // RING_SIZE - 1). Only grows between calls, as only the reader frees room.
    // Receive thread only.
    uint32_t RingRoom();
    // Starts CommThreadProc on this channel; false if no thread could start.
    bool StartReceiveThread();
    // Waits without limit for the receive thread, if one was started.
    void JoinReceiveThread();
    // Open's record of why it failed. Dialog's thread only.
    void SetOpenCause(ChannelCause cause, int systemError = 0);
    // For channels that receive without a thread of their own.
    void MarkReceiveEnded() { m_receiveEnded = true; }

    std::thread m_hThread;
    std::thread::id m_threadId;
    std::mutex m_hMutex;  // guards m_ring, m_writePos, m_readPos

private:
    ChannelCause m_openCause = ChannelCause::NONE;
    int m_openError = 0;
    std::atomic<bool> m_receiveEnded{false};
    std::atomic<uint64_t> m_received{0};
    // Copies the unread bytes out; the caller holds m_hMutex.
    uint32_t CopyUnread(uint8_t* destination) const;

    uint8_t m_ring[RING_SIZE];
    uint32_t m_writePos = 0;
    uint32_t m_readPos = 0;
    const uint32_t m_mask = RING_SIZE - 1;
    // Raised by an append or WakeReader, lowered when the reader's wait
    // returns.
    WakeSignal m_readerWake;
};
