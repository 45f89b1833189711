#include "tools/qvsim/FrameLog.h"

#include <algorithm>
#include <cstring>

namespace qvsim {

namespace {

size_t Stamp(char* out, size_t room, int64_t now, uint32_t instrument) {
    const long long seconds = now / 1000000, millis = now / 1000 % 1000;
    const int n = instrument ? std::snprintf(out, room, "%6lld.%03lld #%u ", seconds, millis, instrument)
                             : std::snprintf(out, room, "%6lld.%03lld ", seconds, millis);
    return n > 0 ? static_cast<size_t>(n) : 0;
}

}  // namespace

void FrameLog::Frame(int64_t now, const char* arrow, const uint8_t* bytes, size_t size,
                     const char* note) {
    if (!Enabled()) return;
    static const char digits[] = "0123456789ABCDEF";
    size_t at = Stamp(m_line, sizeof m_line, now, m_instrument);
    std::memcpy(m_line + at, arrow, 2);
    at += 2;
    // The longest frame is 1030 bytes; m_line has room for 1040.
    for (size_t i = 0; i < size && i < 1040; ++i) {
        m_line[at++] = ' ';
        m_line[at++] = digits[bytes[i] >> 4];
        m_line[at++] = digits[bytes[i] & 15];
    }
    if (note) {
        const int n = std::snprintf(m_line + at, sizeof m_line - at, " (%s)", note);
        if (n > 0) at += std::min(static_cast<size_t>(n), sizeof m_line - at - 2);
    }
    m_line[at++] = '\n';
    Emit(m_line, at);
}

void FrameLog::Note(int64_t now, const char* text) {
    if (!Enabled()) return;
    size_t at = Stamp(m_line, sizeof m_line, now, m_instrument);
    const int n = std::snprintf(m_line + at, sizeof m_line - at, "-- %s\n", text);
    if (n > 0) at += std::min(static_cast<size_t>(n), sizeof m_line - at - 1);
    Emit(m_line, at);
}

void FrameLog::Emit(const char* line, size_t size) {
    for (std::FILE* out : {m_verbose, m_record}) {
        if (out == nullptr) continue;
        std::fwrite(line, 1, size, out);
        std::fflush(out);
    }
}

}  // namespace qvsim
