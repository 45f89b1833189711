// A ScriptedInstrument in process, for running the tool over its threaded
// link without a socket: each connection is a channel whose writes reach the
// instrument at once, from the writing thread, and whose answers land in
// the ring for the link's parser thread, as from a line.
#pragma once

#include <memory>

#include "link/DeviceLink.h"
#include "link/LinkFactory.h"
#include "tests/support/MemoryChannel.h"
#include "tests/support/ScriptedInstrument.h"

class ScriptedLinks : public LinkFactory {
public:
    // `catalogue` must outlive the links.
    explicit ScriptedLinks(qvsim::Catalogue& catalogue) : instrument(catalogue) {
        m_line.onWrite = [this](const Bytes& bytes) {
            Bytes answer;
            const bool up = instrument.Receive(bytes.data(), bytes.size(), 0, answer) && instrument.Pump(0, answer);
            m_line.current->Receive(answer);
            if (!up) m_line.current->HangUp();
        };
    }
    std::unique_ptr<DeviceLink> OverSerial(int, const char*, DialogPoster* dialog) override { return Make(dialog); }
    std::unique_ptr<DeviceLink> OverTcp(const TcpTarget&, DialogPoster* dialog) override { return Make(dialog); }

    ScriptedInstrument instrument;
    int connections = 0;

private:
    std::unique_ptr<DeviceLink> Make(DialogPoster* dialog) {
        ++connections;
        instrument.Connect(0);
        return std::make_unique<DeviceLink>(new MemoryChannel(m_line), nullptr, dialog);
    }

    MemoryChannel::Log m_line;
};
