// qvlog as a whole, from its arguments to its exit status, over the links,
// clock and streams it is given: main passes the real ones, tests their own.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "link/LinkFactory.h"
#include "tools/qvlog/Texts.h"
#include "ui/headless/HeadlessUi.h"

class Output;

struct Environment {
    LinkFactory* links = nullptr;
    // The links of --paced: the dialog's cadence. Null: `links` serves.
    LinkFactory* pacedLinks = nullptr;
    HeadlessUi::ClockMode clock = HeadlessUi::REAL_CLOCK;
    Language language = Language::ENGLISH;
    Output* output = nullptr;
    // Waits `seconds` between two attempts; false when interrupted meanwhile.
    std::function<bool(int seconds)> pause;
};

// Runs the command in `args` (the arguments after the program's name) and
// returns the exit status.
int RunQvlog(const std::vector<std::string>& args, Environment& environment);
