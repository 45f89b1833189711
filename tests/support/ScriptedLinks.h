// A ScriptedInstrument in process, for running the tool over its threaded
// link without a socket: each connection is a channel whose writes reach the
// instrument at once, from the writing thread, and whose answers land in
// the ring for the link's parser thread, as from a line.
#pragma once

#include <memory>

#include "comm/CComm.h"
#include "link/DeviceLink.h"
#include "link/LinkFactory.h"
#include "tests/support/ScriptedInstrument.h"

class ScriptedLinks : public LinkFactory {
public:
    // `catalogue` must outlive the links.
    explicit ScriptedLinks(qvsim::Catalogue& catalogue) : instrument(catalogue) {}
    std::unique_ptr<DeviceLink> OverSerial(int, const char*, DialogPoster* dialog) override { return Make(dialog); }
    std::unique_ptr<DeviceLink> OverTcp(const TcpTarget&, DialogPoster* dialog) override { return Make(dialog); }

    ScriptedInstrument instrument;
    int connections = 0;

private:
    class Channel : public CComm {
    public:
        explicit Channel(ScriptedInstrument& instrument) : m_instrument(instrument) {}
        bool Open(const void*) override { return true; }
        void Close() override {}
        int Write(const uint8_t* data, int length) override {
            if (m_hungUp) return -1;
            Bytes answer;
            m_hungUp = !m_instrument.Receive(data, static_cast<size_t>(length), 0, answer) ||
                       !m_instrument.Pump(0, answer);
            AppendToRing(answer.data(), static_cast<uint32_t>(answer.size()));
            if (m_hungUp) MarkReceiveEnded();
            return length;
        }

    private:
        ScriptedInstrument& m_instrument;
        bool m_hungUp = false;
    };

    std::unique_ptr<DeviceLink> Make(DialogPoster* dialog) {
        ++connections;
        instrument.Connect(0);
        return std::make_unique<DeviceLink>(new Channel(instrument), nullptr, dialog);
    }
};
