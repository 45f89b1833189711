// The dialog logic over a headless UI on a manual clock, talking to a peer
// that the test scripts frame by frame. Everything runs on the test's thread:
// the link is polled, so each step is deterministic.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/DeviceLink.h"
#include "link/LinkFactory.h"
#include "tests/support/DialogReadout.h"
#include "tests/support/Frames.h"
#include "tests/support/Hex.h"
#include "tests/support/MemoryChannel.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/DialogState.h"
#include "ui/headless/HeadlessSession.h"

// The instrument's end of the line: every frame the tool writes lands in
// `wire.writes`, and `wire.onWrite` may answer.
class PeerLinkFactory : public LinkFactory {
public:
    explicit PeerLinkFactory(MemoryChannel::Log& wire) : m_wire(wire) {}
    std::unique_ptr<DeviceLink> OverSerial(int comPort, const char*, DialogPoster* dialog) override {
        lastComPort = comPort;
        return Make(dialog);
    }
    std::unique_ptr<DeviceLink> OverTcp(const TcpTarget& target, DialogPoster* dialog) override {
        lastTarget = target;
        return Make(dialog);
    }
    int lastComPort = -1;
    TcpTarget lastTarget{0, 0};
    int linksMade = 0;

private:
    std::unique_ptr<DeviceLink> Make(DialogPoster* dialog) {
        ++linksMade;
        return std::make_unique<DeviceLink>(new MemoryChannel(m_wire), nullptr, dialog,
                                            DeviceLink::PARSER_POLLED);
    }
    MemoryChannel::Log& m_wire;
};

class Conversation {
public:
    Conversation()
        : factory(wire), session(factory, HeadlessUi::MANUAL_CLOCK), ui(session.ui), state(session.state),
          dialog(session.dialog) {}

    // Handles everything that is ready, without moving the clock.
    void Settle() {
        if (!dialog.Settle()) ADD_FAILURE() << "the dialog never came to rest";
    }
    // Moves the clock forward, firing each timer at its time.
    void Advance(uint64_t milliseconds) { dialog.Advance(milliseconds); }

    void Command(int id, uint32_t notification = 0) {
        dialog.Command(id, notification);
        Settle();
    }

    // Frames from the instrument, as wire hex.
    void Receive(const std::string& hex) {
        ASSERT_NE(wire.current, nullptr) << "no open link to receive on";
        wire.current->Receive(Hex(hex));
        Settle();
    }

    // A frame from the instrument, built with its checksum.
    void ReceiveFrame(uint8_t sync, uint8_t command, uint8_t status, const Bytes& payload = {}) {
        ASSERT_NE(wire.current, nullptr) << "no open link to receive on";
        wire.current->Receive(WireFrame(sync, command, status, payload));
        Settle();
    }
    void ReceiveBlock(uint8_t flags, const Bytes& payload = {}) {
        ReceiveFrame(SYNC_REQUEST, 0x88, flags, payload);
    }
    void ReceiveReply(uint8_t command, uint8_t status, const Bytes& payload = {}) {
        ReceiveFrame(SYNC_RESPONSE, command, status, payload);
    }

    // Sent frames since the last call, as hex, one per element.
    std::vector<std::string> TakeSent() {
        std::vector<std::string> out;
        for (const Bytes& frame : wire.writes) out.push_back(ToHex(frame));
        wire.writes.clear();
        return out;
    }

    // Presses Connect over Wi-Fi; the test answers CMD_CONNECT.
    void ConnectWifi() {
        Command(IDC_CONNECT);
        TakeSent();
    }

    bool Enabled(int id) { return ui.control(id).enabled; }
    bool Shown(int id) { return ui.control(id).shown; }
    std::string Text(int id) { return ControlText(ui, id); }
    std::vector<std::string> Entries(int id) { return ui.control(id).entries; }
    std::vector<std::string> MessageTexts() { return ::MessageTexts(ui); }
    std::string StateFlags() { return ::StateFlags(ui); }

    MemoryChannel::Log wire;
    PeerLinkFactory factory;
    HeadlessSession session;
    HeadlessUi& ui;
    std::unique_ptr<DialogState>& state;
    HeadlessDialog& dialog;
};
