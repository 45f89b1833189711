// Runs qvlog in process, as its main would, over links the test chooses,
// on a manual clock, with its output kept and its waits between attempts
// recorded instead of slept.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/qvlog/JsonReader.h"
#include "tools/qvlog/Console.h"
#include "tools/qvlog/Tool.h"

class CapturedOutput : public Output {
public:
    void Out(const std::string& utf8) override { out += utf8; }
    void Err(const std::string& utf8) override { err += utf8; }
    bool ErrIsTerminal() const override { return false; }
    std::string out, err;
};

struct ToolRun {
    int exit = -1;
    std::string out, err;
    JsonValue json;          // read when --json was given
    std::vector<int> waits;  // seconds waited before each new attempt
};

inline ToolRun RunInProcess(LinkFactory& links, const std::vector<std::string>& args,
                            Language language = Language::ENGLISH,
                            HeadlessUi::ClockMode clock = HeadlessUi::MANUAL_CLOCK) {
    CapturedOutput output;
    ToolRun ran;
    Environment env;
    env.links = &links;
    env.clock = clock;
    env.language = language;
    env.output = &output;
    // Retries that never end would hang the test: the fiftieth wait stops them.
    env.pause = [&ran](int seconds) {
        ran.waits.push_back(seconds);
        return ran.waits.size() < 50;
    };
    ran.exit = RunQvlog(args, env);
    ran.out = output.out;
    ran.err = output.err;
    if (std::find(args.begin(), args.end(), "--json") != args.end()) {
        EXPECT_TRUE(JsonReader::Read(ran.out, ran.json)) << "not one JSON document:\n" << ran.out;
    }
    return ran;
}
