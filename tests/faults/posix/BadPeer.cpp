#include "tests/faults/BadPeer.h"

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int POLL_MS = 5;
constexpr size_t BAD_CHUNK = 1 << 12;
constexpr int INSTRUMENT_SEND_BUFFER = 8192;
// The tool holds a flood back and works through it at the dialog's cadence,
// about one frame per command per 10 ms pass: a flood of more small frames
// than this would only keep the test waiting.
constexpr uint64_t FLOOD_LIMIT = 1 << 14;

int64_t Micros() {
    static const auto start = Clock::now();
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
}

// Appends one frame of any length up to 65535, random bytes in it.
void AppendFrame(Bytes& out, uint8_t sync, uint8_t command, uint8_t status, uint32_t length, std::mt19937& random) {
    Bytes payload(length);
    for (uint8_t& b : payload) b = static_cast<uint8_t>(random());
    Append(out, WireFrame(sync, command, status, payload));
}

// About BAD_CHUNK bytes of misbehaviour.
void MakeBadBytes(BadPeer::Mode mode, std::mt19937& random, std::vector<uint8_t>& out) {
    // Every reply the dialog acts on but the disconnect, which would end the
    // conversation and with it the test.
    static const uint8_t replies[] = {0x10, 0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0xB0, 0x42};
    out.clear();
    while (out.size() < BAD_CHUNK) {
        switch (mode) {
        case BadPeer::OVERSIZED: {
            const uint32_t length = random() % 4 == 0 ? random() % 1025 : 1025 + random() % (65535 - 1024);
            if (random() % 2) AppendFrame(out, SYNC_REQUEST, 0x88, static_cast<uint8_t>(random()), length, random);
            else AppendFrame(out, SYNC_RESPONSE, replies[random() % sizeof replies], static_cast<uint8_t>(random() % 2), length, random);
            break;
        }
        case BadPeer::UNSOLICITED:
            AppendFrame(out, SYNC_REQUEST, 0x88, static_cast<uint8_t>(random()), random() % 1025, random);
            break;
        case BadPeer::FLOOD:
            if (random() % 3) AppendFrame(out, SYNC_REQUEST, 0x88, static_cast<uint8_t>(random() & 0xF0), random() % 16, random);
            else AppendFrame(out, SYNC_RESPONSE, replies[random() % sizeof replies], 0, random() % 8, random);
            break;
        case BadPeer::RANDOM:
        case BadPeer::GOOD:
            out.push_back(static_cast<uint8_t>(random()));
            break;
        }
    }
}

}  // namespace

BadPeer::BadPeer(qvsim::Catalogue& catalogue) : m_catalogue(catalogue) {}

BadPeer::~BadPeer() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

bool BadPeer::Start() {
    if (!m_line.Listen()) return false;
    m_thread = std::thread(&BadPeer::Run, this);
    return true;
}

void BadPeer::Misbehave(Mode mode, int milliseconds) {
    m_milliseconds = milliseconds;
    m_mode = mode;
}

void BadPeer::Run() {
    ScriptedInstrument instrument(m_catalogue);
    instrument.fromTool = fromTool;
    instrument.fromInstrument = fromInstrument;
    std::mt19937 random(0xBAD9EE7);
    std::vector<uint8_t> bad;
    uint8_t buffer[4096];
    int fd = -1;
    int64_t badUntil = 0;
    uint64_t flooded = 0;
    while (!m_stop) {
        if (fd < 0) {
            if (m_line.Accept(POLL_MS)) {
                fd = static_cast<int>(m_line.Connection());
                const int one = 1;
                setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                // An instrument's own send buffer is small: once the tool
                // holds it back, it waits, rather than the system taking
                // megabytes of misbehaviour on its behalf.
                setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &INSTRUMENT_SEND_BUFFER, sizeof INSTRUMENT_SEND_BUFFER);
                instrument.Connect(Micros());
            }
            continue;
        }
        const int mode = m_mode.load();
        const bool writesBadBytes = mode != GOOD && !(mode == FLOOD && flooded >= FLOOD_LIMIT);
        pollfd p{fd, static_cast<short>(POLLIN | (writesBadBytes ? POLLOUT : 0)), 0};
        const int ready = poll(&p, 1, POLL_MS);
        bool closed = false;
        if (ready > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) closed = true;
            // While it misbehaves it hears nothing the tool says.
            else if (n > 0 && mode == GOOD) {
                Bytes answer;
                closed = !instrument.Receive(buffer, static_cast<size_t>(n), Micros(), answer);
                closed = !m_line.Send(answer.data(), answer.size()) || closed;
            }
        }
        if (!closed && mode != GOOD) {
            if (badUntil == 0) badUntil = Micros() + int64_t{m_milliseconds.load()} * 1000;
            if (Micros() >= badUntil) {
                badUntil = 0;
                flooded = 0;
                m_mode = GOOD;
            } else if (writesBadBytes && ready > 0 && (p.revents & POLLOUT)) {
                // Whole chunks, so the line ends at a frame's end.
                MakeBadBytes(static_cast<Mode>(mode), random, bad);
                closed = !m_line.Send(bad.data(), bad.size());
                if (!closed) m_badBytes += bad.size();
                if (mode == FLOOD) flooded += bad.size();
            }
        }
        if (!closed && m_mode.load() == GOOD) {
            Bytes answer;
            closed = !instrument.Pump(Micros(), answer);
            closed = !m_line.Send(answer.data(), answer.size()) || closed;
        }
        if (closed) {
            m_line.CloseConnection();
            fd = -1;
        }
    }
}
