// The simulator's engine on a virtual clock, with a catalogue held in memory
// and a wire that records what the instrument writes, so tests read as the
// bytes on the line.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/Frames.h"
#include "tests/support/MemoryCatalogue.h"
#include "tools/qvsim/Instrument.h"

namespace qvsim_test {

// Records every write; can be told to take only so many bytes.
class Wire : public qvsim::ByteOutput {
public:
    size_t Write(const uint8_t* data, size_t size) override {
        size_t n = size < room ? size : room;
        if (room != SIZE_MAX) room -= n;
        bytes.insert(bytes.end(), data, data + n);
        if (n) writes.push_back(n);
        return n;
    }
    Bytes Take() {
        Bytes out;
        out.swap(bytes);
        return out;
    }
    Bytes bytes;
    std::vector<size_t> writes;
    size_t room = SIZE_MAX;
};

// CMD_GET_FILE for file `file` of the run `s`.
inline Bytes GetFile(const RunStamp& s, uint16_t file) {
    Bytes payload = Big16(s.year);
    for (uint8_t b : {s.month, s.day, s.hour, s.minute, s.second}) payload.push_back(b);
    for (uint8_t b : Big16(file)) payload.push_back(b);
    return WireFrame(SYNC_REQUEST, 0x87, 0, payload);
}

inline Bytes Ack(uint8_t code) { return WireFrame(SYNC_RESPONSE, 0x88, code); }

// A request from the tool and a reply from the instrument, as hex, so a
// table of them reads as the line does.
inline std::string Request(uint8_t command, const std::string& payload = "") {
    return ToHex(WireFrame(SYNC_REQUEST, command, 0, Hex(payload)));
}
inline std::string Reply(uint8_t command, uint8_t status, const std::string& payload = "") {
    return ToHex(WireFrame(SYNC_RESPONSE, command, status, Hex(payload)));
}

// What the tool sends and all the instrument writes back at once.
struct Step {
    std::string sent, answer;
    const char* why = "";
};

// The engine with a hand-advanced clock (microseconds).
class Sim {
public:
    Sim(qvsim::Catalogue& catalogue, const qvsim::InstrumentConfig& config = {})
        : instrument(catalogue, config, nullptr) {
        instrument.Connect(now);
    }
    // Sends bytes at the current time and returns what the instrument wrote
    // by then.
    Bytes Send(const Bytes& bytes) {
        instrument.Receive(bytes.data(), bytes.size(), now);
        instrument.Pump(now, wire);
        return wire.Take();
    }
    Bytes Send(const std::string& hex) { return Send(Hex(hex)); }
    std::string Exchange(const std::string& hex) { return ToHex(Send(hex)); }
    // Plays `steps` in order; each answer must come byte for byte.
    void Play(const std::vector<Step>& steps) {
        for (size_t i = 0; i < steps.size(); ++i)
            EXPECT_EQ(Exchange(steps[i].sent), steps[i].answer) << "step " << i << ": " << steps[i].why;
    }
    // Moves the clock to `at` and returns what was written by then.
    Bytes AdvanceTo(int64_t at) {
        now = at;
        instrument.Pump(now, wire);
        return wire.Take();
    }
    // Follows the engine's deadlines until it has nothing left to do.
    Bytes RunToIdle(int64_t limit = 600000000) {
        Bytes out;
        for (int64_t at; (at = instrument.NextDeadline(false)) != qvsim::NO_DEADLINE && at <= limit;)
            Append(out, AdvanceTo(std::max(at, now)));
        return out;
    }

    int64_t now = 0;
    Wire wire;
    qvsim::Instrument instrument;
};

// A list or a file fetched whole: the request's reply, each block's status
// and size ("20/1024 A0/952") and the blocks' bytes joined. The clock moves
// on `pause` before each acknowledgement. Stops at a last or error block, or
// at an answer that is not one block alone.
struct Fetched {
    ParsedFrame reply{};
    std::string blocks;
    Bytes content;
};

inline Fetched Fetch(Sim& sim, const Bytes& request, int64_t pause = 0) {
    Fetched got;
    std::vector<ParsedFrame> frames = ParseFrames(sim.Send(request));
    if (frames.empty()) return got;
    got.reply = frames[0];
    frames.erase(frames.begin());
    while (frames.size() == 1 && frames[0].sync == SYNC_REQUEST && frames[0].command == 0x88) {
        got.blocks += (got.blocks.empty() ? "" : " ") + ToHex(&frames[0].status, 1) + "/" +
                      std::to_string(frames[0].payload.size());
        Append(got.content, frames[0].payload);
        if (frames[0].status & 0xC0) break;
        Bytes answer = pause ? sim.AdvanceTo(sim.now + pause) : Bytes{};
        Append(answer, sim.Send(Ack(0)));
        frames = ParseFrames(answer);
    }
    return got;
}

// A fresh instrument over a catalogue of `runs`, set up by `setUp` (when
// given), and a conversation with it.
struct Conversation {
    const char* name;
    std::vector<MemoryCatalogue::Entry> runs;
    void (*setUp)(qvsim::InstrumentConfig&);
    std::vector<Step> steps;
};

inline void Play(const std::vector<Conversation>& conversations) {
    for (const Conversation& c : conversations) {
        SCOPED_TRACE(c.name);
        MemoryCatalogue catalogue(c.runs);
        qvsim::InstrumentConfig config;
        if (c.setUp) c.setUp(config);
        Sim(catalogue, config).Play(c.steps);
    }
}

}  // namespace qvsim_test
