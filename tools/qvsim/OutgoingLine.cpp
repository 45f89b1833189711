#include "tools/qvsim/OutgoingLine.h"

#include <algorithm>
#include <cstring>

#include "tools/qvsim/FrameLog.h"

namespace qvsim {

OutgoingLine::OutgoingLine(const FaultConfig& config, FrameLog* log)
    : m_config(config), m_log(log), m_random(config.seed) {
    Reset();
}

void OutgoingLine::Reset() {
    m_head = m_tail = m_lastEnd = 0;
    m_firstEnd = m_endCount = 0;
    m_pieceLeft = 0;
    m_resumeAt = 0;
    m_paceOrigin = 0;
    m_paceBytes = 0;
    m_framesSeen = m_framesQueued = 0;
    m_closed = m_config.closeAfter == 0;
}

void OutgoingLine::Restart() {
    if (m_head != m_lastEnd && m_endCount > 0) {
        m_tail = m_frameEnds[m_firstEnd];
        m_endCount = 1;
    } else {
        m_tail = m_head;
        m_endCount = 0;
    }
    m_framesSeen = m_framesQueued = 0;
    m_closed = m_config.closeAfter == 0;
}

bool OutgoingLine::HasRoom(size_t frames) const {
    return m_endCount + frames <= MAX_FRAMES &&
           (m_tail - m_head) + frames * (FRAME_MAX + NOISE_MAX) <= CAPACITY;
}

void OutgoingLine::Put(const uint8_t* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) m_ring[(m_tail + i) & (CAPACITY - 1)] = bytes[i];
    m_tail += size;
}

void OutgoingLine::Queue(const uint8_t* frame, size_t size, int64_t now) {
    if (m_closed) {
        if (m_log) m_log->Frame(now, "->", frame, size, "not sent: line closed");
        return;
    }
    if (!HasRoom(1) || size > FRAME_MAX) {
        if (m_log) m_log->Frame(now, "->", frame, size, "not sent: output full");
        return;
    }
    ++m_framesSeen;
    if (m_config.dropEvery && m_framesSeen % m_config.dropEvery == 0) {
        if (m_log) m_log->Frame(now, "->", frame, size, "left out");
        return;
    }
    if (Empty() && now >= ByteTime(m_paceBytes)) {
        // The line was idle: pacing starts afresh rather than catching up.
        m_paceOrigin = now;
        m_paceBytes = 0;
    }
    if (m_config.noise) {
        uint8_t noise[NOISE_MAX];
        const size_t count = 1 + m_random.Below(NOISE_MAX);
        for (size_t i = 0; i < count; ++i) {
            uint8_t b;
            do b = static_cast<uint8_t>(m_random.Next());
            while (b == SYNC_REQUEST || b == SYNC_RESPONSE);
            noise[i] = b;
        }
        Put(noise, count);
        if (m_log) m_log->Frame(now, "->", noise, count, "noise");
    }
    const bool corrupt = m_config.corruptEvery && m_framesSeen % m_config.corruptEvery == 0;
    Put(frame, size);
    if (corrupt) {
        uint8_t& checksum = m_ring[(m_tail - 1) & (CAPACITY - 1)];
        checksum = static_cast<uint8_t>(checksum + 1);
    }
    m_frameEnds[(m_firstEnd + m_endCount) % MAX_FRAMES] = m_tail;
    ++m_endCount;
    ++m_framesQueued;
    if (m_log) {
        uint8_t sent[FRAME_MAX];
        std::memcpy(sent, frame, size);
        if (corrupt) sent[size - 1] = static_cast<uint8_t>(sent[size - 1] + 1);
        m_log->Frame(now, "->", sent, size, corrupt ? "wrong checksum" : nullptr);
    }
    if (m_config.closeAfter > 0 && m_framesQueued >= static_cast<uint32_t>(m_config.closeAfter)) {
        m_closed = true;
        if (m_log) m_log->Note(now, "line closes after this frame");
    }
}

int64_t OutgoingLine::ByteTime(uint64_t index) const {
    if (!m_config.baud) return m_paceOrigin;
    // 10 bits a byte: byte `index` of a burst starts index * 10 / baud s in.
    const uint64_t us = (index * 10000000ull + m_config.baud - 1) / m_config.baud;
    return m_paceOrigin + static_cast<int64_t>(us);
}

void OutgoingLine::Pump(int64_t now, ByteOutput& out) {
    while (!Empty()) {
        if (m_config.split && now < m_resumeAt) return;
        uint64_t n = std::min<uint64_t>(m_tail - m_head, CAPACITY - (m_head & (CAPACITY - 1)));
        if (m_config.split) {
            if (m_pieceLeft == 0) m_pieceLeft = 1 + m_random.Below(PIECE_MAX);
            n = std::min<uint64_t>(n, m_pieceLeft);
        }
        if (m_config.baud) {
            if (now < ByteTime(m_paceBytes)) return;
            // Bytes whose start time has come, counting the one due now.
            const uint64_t elapsed = static_cast<uint64_t>(now - m_paceOrigin);
            const uint64_t due = elapsed * m_config.baud / 10000000ull + 1;
            n = std::min<uint64_t>(n, due - m_paceBytes);
        }
        const size_t written = out.Write(m_ring + (m_head & (CAPACITY - 1)), static_cast<size_t>(n));
        m_head += written;
        m_paceBytes += written;
        while (m_endCount > 0 && m_frameEnds[m_firstEnd] <= m_head) {
            m_lastEnd = m_frameEnds[m_firstEnd];
            m_firstEnd = (m_firstEnd + 1) % MAX_FRAMES;
            --m_endCount;
        }
        if (m_config.split) {
            m_pieceLeft -= static_cast<uint32_t>(written);
            // A pause after some pieces, so they reach the peer apart even
            // when its reads would gather them up.
            if (m_pieceLeft == 0 && written > 0 && m_random.Below(PAUSE_ODDS) == 0) {
                m_resumeAt = now + 100 + m_random.Below(PAUSE_MAX_US - 100);
            }
        }
        if (written < n) return;
    }
}

int64_t OutgoingLine::NextDeadline() const {
    if (Empty()) return NO_DEADLINE;
    int64_t at = m_config.baud ? ByteTime(m_paceBytes) : 0;
    if (m_config.split) at = std::max(at, m_resumeAt);
    return at;
}

}  // namespace qvsim
