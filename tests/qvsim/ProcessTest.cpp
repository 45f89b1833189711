// The real qvsim program: over loopback TCP and over a pseudo-terminal, its
// first line, its answers, a fleet of instruments, and its clean exit on
// SIGTERM.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "tests/qvsim/SimHarness.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempFolder.h"
#include "tools/qvsim/GeneratedCatalogue.h"

namespace qvsim_test {
namespace {

namespace fs = std::filesystem;

constexpr int WAIT_MS = 10000;  // for things that take milliseconds when all is well

// One end of the line: a TCP connection or a pty, read through the tool's
// own frame parser.
class Peer {
public:
    explicit Peer(int fd) : m_fd(fd) {}
    ~Peer() {
        if (m_fd >= 0) close(m_fd);
    }
    static int Connect(uint16_t port) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    }
    bool Valid() const { return m_fd >= 0; }
    bool Closed() const { return m_closed; }
    void Send(const Bytes& bytes) { ASSERT_EQ(write(m_fd, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
    void Send(const std::string& hex) { Send(Hex(hex)); }
    // The next `count` frames, or fewer on time-out.
    std::vector<ParsedFrame> Frames(size_t count) {
        while (m_sink.frames.size() < count) {
            pollfd p{m_fd, POLLIN, 0};
            uint8_t buffer[4096];
            if (poll(&p, 1, WAIT_MS) <= 0) break;
            const ssize_t n = read(m_fd, buffer, sizeof buffer);
            if (n <= 0) {
                m_closed = n == 0 || errno == ECONNRESET;
                break;
            }
            m_parser.Feed(buffer, static_cast<size_t>(n), m_sink);
        }
        const size_t n = std::min(count, m_sink.frames.size());
        std::vector<ParsedFrame> out(m_sink.frames.begin(), m_sink.frames.begin() + static_cast<long>(n));
        m_sink.frames.erase(m_sink.frames.begin(), m_sink.frames.begin() + static_cast<long>(n));
        return out;
    }
    // A whole file: its size reply, then every block acknowledged.
    Bytes Download(const Bytes& request) {
        Send(request);
        std::vector<ParsedFrame> reply = Frames(1);
        if (reply.size() != 1 || reply[0].status != 0) return {};
        Bytes content;
        for (;;) {
            std::vector<ParsedFrame> block = Frames(1);
            if (block.empty()) return {};
            content.insert(content.end(), block[0].payload.begin(), block[0].payload.end());
            Send(Ack(0));
            if (block[0].status & 0x80) return content;
        }
    }

private:
    int m_fd;
    bool m_closed = false;
    FrameParser m_parser;
    FrameCollector m_sink;
};

TEST(QvsimProgram, ListensOnAFreePortAnswersConnectAndStopsOnSigterm) {
    SimProcess qvsim(QVSIM_PATH, {"--listen", "127.0.0.1:0"});
    const uint16_t port = static_cast<uint16_t>(qvsim.Port());
    ASSERT_NE(port, 0) << "first line: \"" << qvsim.FirstLine() << "\"";
    {
        Peer peer(Peer::Connect(port));
        ASSERT_TRUE(peer.Valid());
        peer.Send("AA 10 20 00 00 DB");
        const std::vector<ParsedFrame> frames = peer.Frames(1);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(ToHex(WireFrame(frames[0].sync, frames[0].command, frames[0].status)), "55 10 00 00 00 66");
    }
    EXPECT_EQ(qvsim.Stop(SIGTERM), 0);
}

TEST(QvsimProgram, ServesDumpedLogsByteForByteThroughNoiseAndSplitWrites) {
    TempFolder dir;
    {
        SimProcess dump(QVSIM_PATH, {"--generate", "2,3,5000", "--dump", dir.Path().string()});
        EXPECT_EQ(dump.Stop(0), 0) << "--dump writes and exits";
    }
    const Bytes expected = FileBytes(dir.Path() / "20240507_143015" / "00000002.csv");
    ASSERT_EQ(expected.size(), 5000u);

    SimProcess qvsim(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--logs", dir.Path().string(), "--noise", "--split",
                                  "--block-size", "700", "--record", dir / "trace.txt"});
    const uint16_t port = static_cast<uint16_t>(qvsim.Port());
    ASSERT_NE(port, 0);
    const Bytes request = WireFrame(SYNC_REQUEST, 0x87, 0, Hex("07 E8 05 07 0E 1E 0F 00 02"));
    {
        // A peer that leaves in the middle of a file ends only its own connection.
        Peer quitter(Peer::Connect(port));
        quitter.Send(request);
        EXPECT_EQ(quitter.Frames(2).size(), 2u);
    }
    Peer peer(Peer::Connect(port));
    ASSERT_TRUE(peer.Valid());
    const Bytes got = peer.Download(request);
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected) << "download differs from the dumped file";
    EXPECT_EQ(qvsim.Stop(SIGINT), 0);
    const Bytes recorded = FileBytes(dir.Path() / "trace.txt");
    const std::string trace(recorded.begin(), recorded.end());
    EXPECT_NE(trace.find("<- " + ToHex(request)), std::string::npos) << trace.substr(0, 400);
    EXPECT_NE(trace.find("-> 55 87 00 00 04 00 00 13 88 "), std::string::npos) << trace.substr(0, 400);
}

TEST(QvsimProgram, PseudoTerminalServesOneConversationAfterAnother) {
    TempFolder dir;
    const std::string link = dir / "qvcom";
    SimProcess qvsim(QVSIM_PATH, {"--pty", link});
    const std::string line = qvsim.FirstLine();
    ASSERT_EQ(line.compare(0, 15, "serial on /dev/"), 0) << line;
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(line.substr(10), target);
    for (int round = 0; round < 2; ++round) {
        const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        Peer peer(fd);
        peer.Send("AA 10 20 00 00 DB AA 85 00 00 00 30");
        std::vector<ParsedFrame> frames = peer.Frames(3);
        ASSERT_EQ(frames.size(), 3u) << "round " << round;
        EXPECT_EQ(frames[0].command, 0x10) << "round " << round << ": nothing left from before";
        EXPECT_EQ(frames[1].command, 0x85);
        EXPECT_EQ(ToHex(frames[2].payload).substr(0, 11), "07 E8 05 07");
        // The first user leaves in the middle of a file; the second one's
        // CMD_CONNECT starts afresh all the same.
        peer.Send(Ack(0));
        peer.Send(WireFrame(SYNC_REQUEST, 0x87, 0, Hex("07 E8 05 07 09 05 00 00 01")));
        frames = peer.Frames(2);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[1].status, 0x20) << "a first file block, more to come";
    }
    EXPECT_EQ(qvsim.Stop(SIGTERM), 0);
    struct stat st;
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link is removed on exit";
}

TEST(QvsimProgram, CloseAfterHangsUpAndTakesTheNextConnection) {
    SimProcess qvsim(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--close-after", "1"});
    const uint16_t port = static_cast<uint16_t>(qvsim.Port());
    ASSERT_NE(port, 0);
    for (int round = 0; round < 2; ++round) {
        Peer peer(Peer::Connect(port));
        ASSERT_TRUE(peer.Valid());
        peer.Send("AA 10 20 00 00 DB AA 85 00 00 00 30");
        EXPECT_EQ(peer.Frames(1).size(), 1u) << "round " << round;
        EXPECT_TRUE(peer.Frames(1).empty()) << "then the connection ends";
        EXPECT_TRUE(peer.Closed());
    }
    EXPECT_EQ(qvsim.Stop(SIGTERM), 0);
}

TEST(QvsimProgram, LoggingRateGrowsTheLastFileBetweenTwoRequestsAndTheDumpKeepsUp) {
    TempFolder dir;
    SimProcess qvsim(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--generate", "1,1,100", "--logging-rate", "1000000",
                                  "--log-size", "100000000", "--dump", dir.Text()});
    const uint16_t port = static_cast<uint16_t>(qvsim.Port());
    ASSERT_NE(port, 0);
    Peer peer(Peer::Connect(port));
    ASSERT_TRUE(peer.Valid());
    const Bytes request = GetFile(RUN_0507_0905, 0);
    const Bytes first = peer.Download(request);
    ASSERT_GE(first.size(), 100u);
    usleep(50000);  // at least 50000 bytes more
    const Bytes second = peer.Download(request);
    EXPECT_GE(second.size(), first.size() + 50000);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), second.begin())) << "the file only grows";
    EXPECT_TRUE(second == FileBytes(dir.Path() / "20240507_090500" / "00000000.csv"))
        << "the dump holds what the last request saw";
    EXPECT_EQ(qvsim.Stop(SIGTERM), 0);
}

TEST(QvsimProgram, AFleetServesEachInstrumentOnItsOwnPortThreadCatalogueAndDump) {
    TempFolder dir;
    SimProcess qvsim(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--instruments", "3", "--generate", "1,1,100",
                                  "--logging-rate", "1000", "--dump", dir.Text(), "--fault-instrument", "2",
                                  "--close-after", "2"});
    const int first = qvsim.Port();
    ASSERT_NE(first, 0) << "first line: \"" << qvsim.FirstLine() << "\"";
    for (int k = 1; k < 3; ++k) EXPECT_EQ(qvsim.NextLine(), "listening on 127.0.0.1:" + std::to_string(first + k));
    std::error_code ec;
    const auto threads = std::distance(fs::directory_iterator("/proc/" + std::to_string(qvsim.Pid()) + "/task", ec),
                                       fs::directory_iterator());
    // A sanitizer's runtime may add a thread of its own.
    EXPECT_GE(threads, 4) << "the main thread and one for each instrument";
    std::vector<std::string> times;
    for (int k = 0; k < 3; ++k) {
        Peer peer(Peer::Connect(static_cast<uint16_t>(first + k)));
        ASSERT_TRUE(peer.Valid()) << "instrument " << k + 1;
        peer.Send("AA 10 20 00 00 DB AA 86 00 00 04 07 E8 05 07 30");  // CMD_CONNECT, the times of 2024-05-07
        const std::vector<ParsedFrame> frames = peer.Frames(3);
        ASSERT_GE(frames.size(), 2u) << "instrument " << k + 1;
        EXPECT_EQ(frames[0].command, 0x10);
        if (k == 1) {
            EXPECT_EQ(frames.size(), 2u) << "--close-after is the second instrument's alone";
            EXPECT_TRUE(peer.Closed());
        } else {
            ASSERT_EQ(frames.size(), 3u) << "instrument " << k + 1;
            times.push_back(ToHex(frames[2].payload));
        }
        const std::string run = qvsim::RunFolderName(qvsim::GeneratedCatalogue::StampOf(0, k + 1));
        EXPECT_TRUE(fs::exists(dir.Path() / std::to_string(k + 1) / run / "00000000.csv")) << run;
    }
    EXPECT_EQ(times, (std::vector<std::string>{"09 05 00", "09 07 00"})) << "each instrument its own catalogue";
    EXPECT_EQ(qvsim.Stop(SIGTERM), 0) << "every thread stopped and joined";
}

TEST(QvsimProgram, BadOptionsAndHelp) {
    SimProcess bad(QVSIM_PATH, {"--drop-every", "0"});
    EXPECT_EQ(bad.Stop(0), 2);
    SimProcess help(QVSIM_PATH, {"--help"});
    EXPECT_EQ(help.FirstLine(), "usage: qvsim [options]");
    EXPECT_EQ(help.Stop(0), 0);
}

}  // namespace
}  // namespace qvsim_test
