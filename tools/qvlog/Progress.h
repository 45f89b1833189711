// Download progress on stderr: one line rewritten in place on a terminal,
// plain lines otherwise.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "tools/qvlog/Texts.h"

class Output;

class Progress {
public:
    Progress(Output& output, Language language);

    // The current file and its bytes; called often, draws at most ten times
    // a second.
    void Update(const std::string& name, uint32_t received, uint32_t total);
    // The file is complete (or the run ended on it).
    void Finish(const std::string& name, uint32_t received, bool complete);

private:
    Output& m_output;
    Language m_language;
    bool m_terminal;
    std::string m_name;
    std::chrono::steady_clock::time_point m_started;
    std::chrono::steady_clock::time_point m_drawn;
    bool m_lineOpen = false;
};
