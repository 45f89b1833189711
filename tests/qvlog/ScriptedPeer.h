// A small instrument for qvlog's tests, for what qvsim does not play: one
// log run (2024/05/07 09:05:00) whose files may be empty, announced with a
// size they do not have, interrupted by a reply or a block nobody asked for,
// or cut off by a hang-up after a chosen frame. It answers each frame the
// tool writes at once, from the writing thread; the link's parser thread
// reads the answers from the ring as from a real line.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "comm/CComm.h"
#include "link/DeviceLink.h"
#include "link/LinkFactory.h"
#include "tests/support/Frames.h"

struct PeerScript {
    std::vector<uint32_t> sizes;          // the run's files, in bytes
    std::map<int, uint32_t> announced;    // file -> the size its reply gives instead
    // On the first connection only, after the peer's Nth frame (counted
    // from 1, the connect reply): -1 never.
    int hangUpAfter = -1;
    int unaskedReplyAfter = -1;   // a file-count reply nobody asked for
    int unaskedBlockAfter = -1;   // a date block in the middle of a file
    std::function<void(int frame)> afterFrame;  // any connection
    uint32_t blockSize = 1024;
};

// The content of file `number`, `size` bytes.
inline Bytes PeerFileContent(int number, uint32_t size) {
    Bytes bytes(size);
    for (uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>('0' + (number * 7 + i) % 43);
    return bytes;
}

class ScriptedChannel : public CComm {
public:
    ScriptedChannel(const PeerScript& script, int connection) : m_script(script), m_connection(connection) {}

    bool Open(const void*) override { return true; }
    void Close() override {}
    int Write(const uint8_t* data, int length) override {
        if (m_hungUp) return -1;
        if (length < 6) return length;
        const uint8_t sync = data[0], command = data[1], status = data[2];
        Bytes payload;
        for (int i = 5; i < length - 1; ++i) payload.push_back(data[i]);
        if (sync == 0xAA) Request(command, payload);
        else if (command == 0x88) Acknowledged(status);
        return length;
    }

private:
    void Request(uint8_t command, const Bytes& payload) {
        switch (command) {
        case 0x10:
        case 0x11: Send(WireFrame(0x55, command, 0)); break;
        case 0x85:
            Send(WireFrame(0x55, 0x85, 0));
            Send(WireFrame(0xAA, 0x88, 0x80, {0x07, 0xE8, 0x05, 0x07}));
            break;
        case 0x86:
            Send(WireFrame(0x55, 0x86, 0));
            Send(WireFrame(0xAA, 0x88, 0x90, {0x09, 0x05, 0x00}));
            break;
        case 0x84: {
            const size_t count = m_script.sizes.size();
            Send(WireFrame(0x55, 0x84, 0, {static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)}));
            break;
        }
        case 0x87: {
            m_file = payload.size() == 9 ? payload[7] * 256 + payload[8] : -1;
            if (m_file < 0 || m_file >= static_cast<int>(m_script.sizes.size())) {
                Send(WireFrame(0x55, 0x87, 2));
                return;
            }
            m_content = PeerFileContent(m_file, m_script.sizes[static_cast<size_t>(m_file)]);
            const auto a = m_script.announced.find(m_file);
            const uint32_t size = a != m_script.announced.end() ? a->second : static_cast<uint32_t>(m_content.size());
            Send(WireFrame(0x55, 0x87, 0, {static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                                            static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)}));
            m_offset = 0;
            m_lastBlock.clear();
            // An empty file has no blocks: the size 0 says it all.
            if (size != 0 && !m_content.empty()) NextBlock();
            break;
        }
        default: Send(WireFrame(0x55, command, 255)); break;
        }
    }

    void Acknowledged(uint8_t status) {
        if (m_strayBlocks > 0 && status == 1) {  // the refusal of the stray block
            --m_strayBlocks;
            return;
        }
        if (status == 2 && !m_lastBlock.empty()) Send(m_lastBlock);
        else if (status == 0 && m_offset < m_content.size()) NextBlock();
        else if (status == 1) m_offset = m_content.size();
    }

    void NextBlock() {
        const size_t take = std::min<size_t>(m_script.blockSize, m_content.size() - m_offset);
        const Bytes piece(m_content.begin() + static_cast<long>(m_offset),
                          m_content.begin() + static_cast<long>(m_offset + take));
        m_offset += take;
        m_lastBlock = WireFrame(0xAA, 0x88, static_cast<uint8_t>(m_offset == m_content.size() ? 0xA0 : 0x20), piece);
        Send(m_lastBlock);
    }

    void Send(const Bytes& frame) {
        if (m_hungUp) return;
        AppendToRing(frame.data(), static_cast<uint32_t>(frame.size()));
        ++m_sent;
        if (m_script.afterFrame) m_script.afterFrame(m_sent);
        if (m_connection != 1) return;
        if (m_sent == m_script.unaskedReplyAfter) Send(WireFrame(0x55, 0x84, 0, {0x00, 0x09}));
        if (m_sent == m_script.unaskedBlockAfter) {
            ++m_strayBlocks;
            Send(WireFrame(0xAA, 0x88, 0x00, {0x07, 0xE8, 0x05, 0x08}));
        }
        if (m_sent == m_script.hangUpAfter) {
            m_hungUp = true;
            MarkReceiveEnded();
        }
    }

    const PeerScript& m_script;
    const int m_connection;
    int m_sent = 0;
    bool m_hungUp = false;
    int m_strayBlocks = 0;
    int m_file = -1;
    Bytes m_content;
    size_t m_offset = 0;
    Bytes m_lastBlock;
};

// A new ScriptedChannel, under a threaded link, for every connection.
class ScriptedPeerLinks : public LinkFactory {
public:
    explicit ScriptedPeerLinks(const PeerScript& script) : m_script(script) {}
    std::unique_ptr<DeviceLink> OverSerial(int, const char*, DialogPoster* dialog) override { return Make(dialog); }
    std::unique_ptr<DeviceLink> OverTcp(const TcpTarget&, DialogPoster* dialog) override { return Make(dialog); }
    int connections = 0;

private:
    std::unique_ptr<DeviceLink> Make(DialogPoster* dialog) {
        return std::make_unique<DeviceLink>(new ScriptedChannel(m_script, ++connections), nullptr, dialog);
    }
    const PeerScript& m_script;
};
