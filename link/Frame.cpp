#include "link/Frame.h"

#include <cstring>

size_t BuildFrame(uint8_t sync, uint8_t command, uint8_t status, uint32_t length,
                  const uint8_t* payload, uint8_t* out) {
    if (length > FRAME_PAYLOAD_MAX) length = FRAME_PAYLOAD_MAX;
    out[0] = sync;
    out[1] = command;
    out[2] = status;
    WriteBig16(out + 3, length);
    if (length > 0) std::memcpy(out + 5, payload, length);
    uint8_t sum = 0;
    for (uint32_t i = 0; i < length + 5; ++i) sum = static_cast<uint8_t>(sum + out[i]);
    out[5 + length] = static_cast<uint8_t>(sum + 1);
    return length + FRAME_OVERHEAD;
}

size_t FrameParser::Feed(const uint8_t* bytes, size_t count, FrameSink& sink) {
    if (!sink.TakesMore()) return 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        switch (m_state) {
        case SYNC_SEARCH:
            if (b == SYNC_REQUEST || b == SYNC_RESPONSE) {
                m_image.sync = b;
                m_sum = b;
                m_state = COMMAND;
            }
            break;
        case COMMAND:
            m_image.body.command = b;
            m_sum = static_cast<uint8_t>(m_sum + b);
            m_state = STATUS;
            break;
        case STATUS:
            m_image.body.status = b;
            m_sum = static_cast<uint8_t>(m_sum + b);
            m_state = LENGTH_HIGH;
            break;
        case LENGTH_HIGH:
            m_image.body.length = b * 256;
            m_sum = static_cast<uint8_t>(m_sum + b);
            m_state = LENGTH_LOW;
            break;
        case LENGTH_LOW:
            m_image.body.length += b;
            m_index = 0;
            m_sum = static_cast<uint8_t>(m_sum + b);
            m_state = m_image.body.length != 0 ? PAYLOAD : CHECKSUM;
            break;
        case PAYLOAD:
            // Bytes past the 1024th are summed and counted but not stored, so
            // an oversized frame still ends where its length says.
            if (m_index < FRAME_PAYLOAD_MAX) m_image.body.data[m_index] = b;
            ++m_index;
            m_sum = static_cast<uint8_t>(m_sum + b);
            if (m_index == static_cast<uint32_t>(m_image.body.length)) m_state = CHECKSUM;
            break;
        case CHECKSUM:
            m_sum = static_cast<uint8_t>(m_sum + 1);
            m_image.checksum = m_sum;
            m_state = SYNC_SEARCH;
            if (b == m_sum) {
                sink.OnFrame(m_image);
                if (!sink.TakesMore()) return i + 1;
            }
            break;
        }
    }
    return count;
}
