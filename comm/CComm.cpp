#include "comm/CComm.h"

#include <cstring>
#include <system_error>

CComm::CComm() = default;
CComm::~CComm() = default;

bool CComm::Open(const void*) { return false; }
void CComm::Close() {}
uint32_t CComm::ReceiveLoop() { return 0; }
int CComm::Write(const uint8_t*, int) { return 0; }

uint32_t CComm::Read(uint8_t* destination) {
    std::lock_guard<std::mutex> lock(m_hMutex);
    const uint32_t count = CopyUnread(destination);
    m_readPos = (m_readPos + count) & m_mask;
    return count;
}

uint32_t CComm::Peek(uint8_t* destination) {
    std::lock_guard<std::mutex> lock(m_hMutex);
    return CopyUnread(destination);
}

void CComm::Consume(uint32_t count) {
    std::lock_guard<std::mutex> lock(m_hMutex);
    const uint32_t unread = (m_writePos - m_readPos) & m_mask;
    if (count > unread) count = unread;
    m_readPos = (m_readPos + count) & m_mask;
}

uint32_t CComm::UnreadCount() {
    std::lock_guard<std::mutex> lock(m_hMutex);
    return (m_writePos - m_readPos) & m_mask;
}

uint32_t CComm::CopyUnread(uint8_t* destination) const {
    const uint32_t count = (m_writePos - m_readPos) & m_mask;
    if (count == 0) return 0;
    const uint32_t toEnd = RING_SIZE - m_readPos;
    if (count > toEnd) {
        std::memcpy(destination, m_ring + m_readPos, toEnd);
        std::memcpy(destination + toEnd, m_ring, count - toEnd);
    } else {
        std::memcpy(destination, m_ring + m_readPos, count);
    }
    return count;
}

void CComm::AppendToRing(const uint8_t* bytes, uint32_t count) {
    if (count == 0) return;
    const uint32_t appended = count;
    {
        std::lock_guard<std::mutex> lock(m_hMutex);
        while (count > 0) {
            const uint32_t chunk = count < RING_SIZE ? count : RING_SIZE;
            const uint32_t toEnd = RING_SIZE - m_writePos;
            if (chunk > toEnd) {
                std::memcpy(m_ring + m_writePos, bytes, toEnd);
                std::memcpy(m_ring, bytes + toEnd, chunk - toEnd);
            } else {
                std::memcpy(m_ring + m_writePos, bytes, chunk);
            }
            m_writePos = (m_writePos + chunk) & m_mask;
            bytes += chunk;
            count -= chunk;
        }
    }
    m_received.fetch_add(appended, std::memory_order_relaxed);
    // A link that waits for bytes (rather than passing every 10 ms) wakes here.
    m_readerWake.Raise();
}

void CComm::WaitForAppend(std::chrono::milliseconds timeout) { m_readerWake.Wait(timeout); }

void CComm::WakeReader() { m_readerWake.Raise(); }

uint32_t CComm::RingRoom() {
    std::lock_guard<std::mutex> lock(m_hMutex);
    return m_mask - ((m_writePos - m_readPos) & m_mask);
}

uint32_t CComm::CommThreadProc(CComm* channel) {
    const uint32_t result = channel->ReceiveLoop();
    // Non-zero: the loop stopped before Close asked it to.
    if (result != 0) channel->m_receiveEnded = true;
    return result;
}

void CComm::SetOpenCause(ChannelCause cause, int systemError) {
    m_openCause = cause;
    m_openError = systemError;
}

bool CComm::StartReceiveThread() {
    m_receiveEnded = false;
    try {
        m_hThread = std::thread(&CComm::CommThreadProc, this);
    } catch (const std::system_error&) {
        return false;
    }
    m_threadId = m_hThread.get_id();
    return true;
}

void CComm::JoinReceiveThread() {
    if (m_hThread.joinable()) m_hThread.join();
    m_threadId = std::thread::id();
}
