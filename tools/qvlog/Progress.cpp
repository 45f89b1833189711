#include "tools/qvlog/Progress.h"

#include <cstdio>

namespace {

constexpr int BAR_WIDTH = 24;

std::string Bytes(double bytes) {
    char text[32];
    if (bytes >= 1048576) std::snprintf(text, sizeof text, "%.1f MB", bytes / 1048576);
    else if (bytes >= 1024) std::snprintf(text, sizeof text, "%.1f KB", bytes / 1024);
    else std::snprintf(text, sizeof text, "%.0f B", bytes);
    return text;
}

}  // namespace

void Progress::Update(const std::string& name, uint32_t received, uint32_t total) {
    const auto now = std::chrono::steady_clock::now();
    if (name != m_name) {
        m_name = name;
        m_started = now;
        m_drawn = {};
    }
    if (!m_terminal || now - m_drawn < std::chrono::milliseconds(100)) return;
    m_drawn = now;
    Draw(name, received, total);
}

void Progress::Draw(const std::string& name, uint32_t received, uint32_t total) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
    const double rate = seconds > 0 ? received / seconds : 0;
    const int percent = total ? static_cast<int>(static_cast<uint64_t>(received) * 100 / total) : 0;
    char bar[BAR_WIDTH + 1];
    const int filled = percent * BAR_WIDTH / 100;
    for (int i = 0; i < BAR_WIDTH; ++i) bar[i] = i < filled ? '#' : '.';
    bar[BAR_WIDTH] = 0;
    const double left = rate > 0 && total > received ? (total - received) / rate : 0;
    std::fprintf(stderr, "\r%s [%s] %3d%% %s / %s %s/s %d:%02d left\033[K", name.c_str(), bar,
                 percent, Bytes(received).c_str(), Bytes(total).c_str(), Bytes(rate).c_str(),
                 static_cast<int>(left) / 60, static_cast<int>(left) % 60);
    std::fflush(stderr);
    m_lineOpen = true;
}

void Progress::Finish(const std::string& name, uint32_t received, bool complete) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
    if (m_lineOpen) std::fputs("\r\033[K", stderr);
    m_lineOpen = false;
    std::fprintf(stderr, "%s %s %u bytes in %.1f s\n", name.c_str(), complete ? "done" : "partial",
                 received, seconds);
    m_name.clear();
}
