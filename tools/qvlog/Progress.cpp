#include "tools/qvlog/Progress.h"

#include <cstdio>

#include "tools/qvlog/Console.h"

namespace {

constexpr int BAR_WIDTH = 24;

std::string Bytes(double bytes) {
    char text[32];
    if (bytes >= 1048576) std::snprintf(text, sizeof text, "%.1f MB", bytes / 1048576);
    else if (bytes >= 1024) std::snprintf(text, sizeof text, "%.1f KB", bytes / 1024);
    else std::snprintf(text, sizeof text, "%.0f B", bytes);
    return text;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

Progress::Progress(Output& output, Language language)
    : m_output(output), m_language(language), m_terminal(output.ErrIsTerminal()) {}

void Progress::Update(const std::string& name, uint32_t received, uint32_t total) {
    const auto now = std::chrono::steady_clock::now();
    // A file starts at 0 bytes, also when a retry fetches it again.
    if (name != m_name || received == 0) {
        m_name = name;
        m_started = now;
        m_drawn = {};
    }
    if (!m_terminal || now - m_drawn < std::chrono::milliseconds(100)) return;
    m_drawn = now;
    const double seconds = SecondsSince(m_started);
    const double rate = seconds > 0 ? received / seconds : 0;
    const int percent = total ? static_cast<int>(static_cast<uint64_t>(received) * 100 / total) : 0;
    const int filled = percent > 100 ? BAR_WIDTH : percent * BAR_WIDTH / 100;
    const std::string bar = std::string(filled, '#') + std::string(BAR_WIDTH - filled, '.');
    const double left = rate > 0 && total > received ? (total - received) / rate : 0;
    char line[256];
    std::snprintf(line, sizeof line, "\r%s [%s] %3d%% %s / %s %s/s %d:%02d\033[K", name.c_str(), bar.c_str(), percent,
                  Bytes(received).c_str(), Bytes(total).c_str(), Bytes(rate).c_str(),
                  static_cast<int>(left) / 60, static_cast<int>(left) % 60);
    m_output.Err(line);
    m_lineOpen = true;
}

void Progress::Finish(const std::string& name, uint32_t received, bool complete) {
    if (m_lineOpen) m_output.Err("\r\033[K");
    m_lineOpen = false;
    char took[32];
    std::snprintf(took, sizeof took, "%.1f", SecondsSince(m_started));
    m_output.Err(Say(m_language, complete ? Text::FILE_DONE : Text::FILE_PARTIAL,
                     {name, std::to_string(received), took}) + "\n");
    m_name.clear();
}
