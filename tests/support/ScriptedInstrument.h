// qvsim's protocol engine with a script on the line, for an instrument that
// misbehaves in one chosen way: a script sees each frame the tool sends
// before the engine hears it, the other each frame the engine sends before
// the tool gets it, and either may send more, hold the frame back or hang
// up. Bytes outside any frame pass as they came. Used on one thread at a
// time; over TCP by BadPeer, in process by ScriptedLinks.
#pragma once

#include <functional>

#include "tests/support/Frames.h"
#include "tools/qvsim/Instrument.h"

class ScriptedInstrument {
public:
    struct Step {
        Bytes inject;          // to the tool, right after the frame
        bool swallow = false;  // the frame goes no further
        bool hangUp = false;
    };
    // `number` counts the frames from that side of this connection, from 1.
    using Script = std::function<Step(const FrameImage& frame, int number)>;

    // `catalogue` must outlive the instrument.
    explicit ScriptedInstrument(qvsim::Catalogue& catalogue) : m_engine(catalogue, {}, nullptr) {}

    // A new connection: the engine and the scripts' counts start afresh.
    void Connect(int64_t now) {
        m_engine.Connect(now);
        m_fromTool = Cutter();
        m_fromEngine = Cutter();
    }
    // Bytes from the tool; what the scripts send back is added to `toTool`.
    // False once a script hung up.
    bool Receive(const uint8_t* bytes, size_t count, int64_t now, Bytes& toTool) {
        Bytes heard;
        const bool up = m_fromTool.Cut(bytes, count, fromTool, heard, toTool);
        if (up) m_engine.Receive(heard.data(), heard.size(), now);
        return up;
    }
    // What the engine has due by `now`, through the script, added to `toTool`.
    bool Pump(int64_t now, Bytes& toTool) {
        Tap sent;
        m_engine.Pump(now, sent);
        return m_fromEngine.Cut(sent.bytes.data(), sent.bytes.size(), fromInstrument, toTool, toTool);
    }

    Script fromTool, fromInstrument;

private:
    struct Tap : qvsim::ByteOutput {
        size_t Write(const uint8_t* data, size_t size) override {
            bytes.insert(bytes.end(), data, data + size);
            return size;
        }
        Bytes bytes;
    };

    // Cuts one direction into frames and asks its script about each.
    class Cutter : FrameSink {
    public:
        // Passes what goes on to `out`, what the script adds to `extra`.
        bool Cut(const uint8_t* bytes, size_t count, const Script& script, Bytes& out, Bytes& extra) {
            m_script = &script;
            m_out = &out;
            m_extra = &extra;
            for (size_t i = 0; i < count && !m_hungUp; ++i) {
                m_frame.push_back(bytes[i]);
                m_parser.Feed(bytes + i, 1, *this);
                if (m_parser.state() == FrameParser::SYNC_SEARCH && !m_frame.empty()) Pass();
            }
            return !m_hungUp;
        }

    private:
        void OnFrame(const FrameImage& image) override {
            const Step step = *m_script ? (*m_script)(image, ++m_number) : Step();
            if (step.swallow) m_frame.clear();
            else Pass();
            m_extra->insert(m_extra->end(), step.inject.begin(), step.inject.end());
            m_hungUp = step.hangUp;
        }
        void Pass() {
            m_out->insert(m_out->end(), m_frame.begin(), m_frame.end());
            m_frame.clear();
        }

        FrameParser m_parser;
        Bytes m_frame;
        int m_number = 0;
        bool m_hungUp = false;
        const Script* m_script = nullptr;
        Bytes* m_out = nullptr;
        Bytes* m_extra = nullptr;
    };

    qvsim::Instrument m_engine;
    Cutter m_fromTool, m_fromEngine;
};
