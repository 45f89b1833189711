// The dialog logic with the real threaded link over a real socket (and once
// over a pseudo-terminal) against a real qvsim, through every fault switch
// and a few pairs of them. Each row names what must come of it: the files
// complete and equal to qvsim's own dump, the file cut short, the message,
// the final control state. Every row also checks that no thread outlives the
// session and that the process stays near idle while it waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/faults/FaultDriver.h"
#include "tests/support/ProcessStats.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempFolder.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

namespace fs = std::filesystem;

constexpr int NONE = -1;
// One run of two files of five blocks (4 x 1024 + 904 bytes). From the
// connection on, qvsim's frames are: 1 connect reply, 2 dates reply, 3 date
// block, 4 times reply, 5 time block, 6 file count, 7 file 0's size, 8-12
// its blocks, 13 file 1's size, 14-18 its blocks; a resent block counts too.
constexpr const char* SMALL = "1,2,5000";
// Two runs of two files of ten blocks each.
constexpr const char* LARGER = "2,2,10000";
// Processes spend far less than this share of the wall time while they wait.
constexpr double IDLE_CPU_SHARE = 0.25;
// A peer stopped for this long only answers late: no watch may run out on
// the manual clock meanwhile.
constexpr auto PEER_PAUSE = std::chrono::milliseconds(1000);

struct Expected {
    int complete;      // files complete and equal to the dump, in download order
    int partialBytes;  // size of the file after them, cut short; NONE: it is absent
    int message;       // catalogue number of the one message; NONE: no message
    const char* state;  // control state at the end
    bool connected;
    int userAborts;    // Abort presses a user had to make
    int resends;       // ACK_RESEND frames the instrument received
};

struct Row {
    const char* name;
    const char* catalogue;
    std::vector<std::string> faults;
    bool pty;
    Expected expected;
    // qvsim is stopped for PEER_PAUSE once it has sent this many frames; 0: never.
    size_t pauseAfterFrames = 0;
};

const Row ROWS[] = {
    // name, catalogue, faults, pty, {complete, partial, message, state, connected, aborts, resends}
    {"Clean", SMALL, {}, false, {2, NONE, NONE, STATE_1, true, 0, 0}},
    {"Noise", LARGER, {"--noise"}, false, {4, NONE, NONE, STATE_1, true, 0, 0}},
    {"Split", LARGER, {"--split"}, false, {4, NONE, NONE, STATE_1, true, 0, 0}},
    {"NoiseSplitOddBlocks", LARGER, {"--noise", "--split", "--block-size", "700"}, false,
     {4, NONE, NONE, STATE_1, true, 0, 0}},
    // --drop-every N: the first frame left out is frame N.
    {"DropConnectReply", SMALL, {"--drop-every", "1"}, false, {0, NONE, MSG_NO_RESPONSE, STATE_0, false, 0, 0}},
    // The dates reply came, its block not: nothing watches that wait.
    {"DropDateBlock", SMALL, {"--drop-every", "3"}, false, {0, NONE, MSG_ABORTED, STATE_1, true, 1, 0}},
    // 2, 4 and 6 go; the time block and the date block still come.
    {"DropEveryOtherCatalogueFrame", SMALL, {"--drop-every", "2"}, false,
     {0, NONE, MSG_NO_RESPONSE, STATE_0, false, 0, 0}},
    {"DropFileCountReply", SMALL, {"--drop-every", "6"}, false, {0, NONE, MSG_NO_RESPONSE, STATE_0, false, 0, 0}},
    // The blocks that follow the lost size reply answer nothing the tool
    // waits for: refused, and the reply watch of the request runs out.
    {"DropFileSizeReply", SMALL, {"--drop-every", "13"}, false, {1, NONE, MSG_NO_RESPONSE, STATE_0, false, 0, 0}},
    {"DropFirstFileBlock", SMALL, {"--drop-every", "8"}, false, {0, NONE, MSG_ABORTED, STATE_1, true, 1, 0}},
    {"DropMiddleFileBlock", SMALL, {"--drop-every", "10"}, false, {2, NONE, NONE, STATE_1, true, 0, 1}},
    {"DropLastFileBlock", SMALL, {"--drop-every", "12"}, false, {2, NONE, NONE, STATE_1, true, 0, 1}},
    {"CorruptConnectReply", SMALL, {"--corrupt-every", "1"}, false, {0, NONE, MSG_NO_RESPONSE, STATE_0, false, 0, 0}},
    {"CorruptFileCountReply", SMALL, {"--corrupt-every", "6"}, false,
     {0, NONE, MSG_NO_RESPONSE, STATE_0, false, 0, 0}},
    {"CorruptMiddleFileBlock", SMALL, {"--corrupt-every", "10"}, false, {2, NONE, NONE, STATE_1, true, 0, 1}},
    {"NoiseSplitDropMiddleBlock", SMALL, {"--noise", "--split", "--drop-every", "10"}, false,
     {2, NONE, NONE, STATE_1, true, 0, 1}},
    {"SplitCorruptLastBlock", SMALL, {"--split", "--corrupt-every", "12"}, false,
     {2, NONE, NONE, STATE_1, true, 0, 1}},
    {"SilentAfterReply", SMALL, {"--silent-after", "0"}, false, {0, NONE, MSG_ABORTED, STATE_1, true, 1, 0}},
    {"SilentAfterFirstBlock", SMALL, {"--silent-after", "1"}, false,
     {0, 1024, MSG_TRANSFER_ERROR, STATE_1, true, 0, 5}},
    {"SilentBeforeLastBlock", SMALL, {"--silent-after", "4"}, false,
     {0, 4096, MSG_TRANSFER_ERROR, STATE_1, true, 0, 5}},
    {"SplitSilentBeforeLastBlock", SMALL, {"--split", "--silent-after", "4"}, false,
     {0, 4096, MSG_TRANSFER_ERROR, STATE_1, true, 0, 5}},
    // The line closes after frame 10, file 0's third block.
    {"CloseMidFile", SMALL, {"--close-after", "10"}, false, {0, 3072, MSG_TRANSFER_ERROR, STATE_1, true, 0, 0}},
    {"SplitCloseMidFile", SMALL, {"--split", "--close-after", "10"}, false,
     {0, 3072, MSG_TRANSFER_ERROR, STATE_1, true, 0, 0}},
    {"ErrorBlockInFile", SMALL, {"--error-block-at", "3"}, false,
     {0, 2048, MSG_TRANSFER_ERROR, STATE_1, true, 0, 0}},
    {"NoiseErrorBlockInFile", SMALL, {"--noise", "--error-block-at", "3"}, false,
     {0, 2048, MSG_TRANSFER_ERROR, STATE_1, true, 0, 0}},
    {"ErrorBlockInDates", SMALL, {"--error-block-at", "1"}, false,
     {0, NONE, MSG_TRANSFER_ERROR, STATE_1, true, 0, 0}},
    {"SdCardMissing", SMALL, {"--sd-missing"}, false, {0, NONE, MSG_NO_SD_CARD, STATE_1, true, 0, 0}},
    {"Unsupported", SMALL, {"--unsupported"}, false, {0, NONE, MSG_UNSUPPORTED, STATE_1, true, 0, 0}},
    {"BusyFiveTimes", SMALL, {"--busy", "5"}, false, {2, NONE, NONE, STATE_1, true, 0, 0}},
    {"NoiseBusyFiveTimes", SMALL, {"--noise", "--busy", "5"}, false, {2, NONE, NONE, STATE_1, true, 0, 0}},
    {"BusySixTimes", SMALL, {"--busy", "6"}, false, {0, NONE, MSG_NO_SD_CARD, STATE_1, true, 0, 0}},
    // Refused: the tool has nothing to say and waits for the user.
    {"ConnectStatus1", SMALL, {"--connect-status", "1"}, false, {0, NONE, NONE, STATE_1, false, 0, 0}},
    {"ConnectStatus7", SMALL, {"--connect-status", "7"}, false, {0, NONE, NONE, STATE_1, false, 0, 0}},
    {"ConnectStatus5", SMALL, {"--connect-status", "5"}, false, {2, NONE, NONE, STATE_1, true, 0, 0}},
    {"RepliesSlowerThanTheWatch", SMALL, {"--reply-delay", "3500"}, false,
     {0, NONE, MSG_NO_RESPONSE, STATE_0, false, 0, 0}},
    {"PtyNoiseSplit", LARGER, {"--noise", "--split"}, true, {4, NONE, NONE, STATE_1, true, 0, 0}},
    {"PtyDropMiddleFileBlock", SMALL, {"--drop-every", "10"}, true, {2, NONE, NONE, STATE_1, true, 0, 1}},
    // Stopped after file 0's second block, then going on: nothing asked again.
    {"PausedMidFile", SMALL, {}, false, {2, NONE, NONE, STATE_1, true, 0, 0}, 9},
    {"PtyNoiseSplitPausedMidFile", LARGER, {"--noise", "--split"}, true, {4, NONE, NONE, STATE_1, true, 0, 0}, 20},
};

size_t CountInFile(const std::string& path, const std::string& needle) {
    std::ifstream in(path);
    std::string line;
    size_t count = 0;
    while (std::getline(in, line))
        if (line.find(needle) != std::string::npos) ++count;
    return count;
}

// Stops qvsim for PEER_PAUSE once its trace shows `frames` sent (noise not
// counted), then lets it go on; whether it did before `over` was set. The
// trace is read as it grows, so watching it costs the machine little.
bool PauseAfterFrames(SimProcess& sim, const std::string& trace, size_t frames, const std::atomic<bool>& over) {
    std::ifstream in(trace);
    std::string line, partial;
    size_t sent = 0;
    while (!over) {
        while (std::getline(in, line)) {
            if (in.eof()) {  // a line still being written: its rest comes later
                partial += line;
                break;
            }
            line = partial + line;
            partial.clear();
            sent += line.find("-> ") != std::string::npos && line.find("(noise)") == std::string::npos;
        }
        in.clear();
        if (sent >= frames) {
            if (!sim.Send(SIGSTOP)) return false;
            std::this_thread::sleep_for(PEER_PAUSE);
            return sim.Send(SIGCONT);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (!in.is_open()) in.open(trace);
    }
    return false;
}

std::string MessageText(int number) { return number == NONE ? "(none)" : CatalogueEntry(number).text; }

// Failing rows name themselves, in test names too.
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class FaultMatrix : public testing::TestWithParam<Row> {};

TEST_P(FaultMatrix, EndsAsTheRowSays) {
    const Row& row = GetParam();
    const Expected& want = row.expected;
    TempFolder dir;
    const fs::path dump = dir.Path() / "dump";
    ASSERT_EQ(SimProcess::Run(QVSIM_PATH, {"--generate", row.catalogue, "--dump", dump.string()}), 0);
    const std::vector<DumpedFile> expected = DumpedFiles(dump);
    const fs::path out = dir.Path() / "out";
    fs::create_directories(out);

    std::vector<std::string> args = {"--generate", row.catalogue, "--record", dir / "trace.txt"};
    if (row.pty) args.insert(args.end(), {"--pty", dir / "qvcom"});
    else args.insert(args.end(), {"--listen", "127.0.0.1:0"});
    args.insert(args.end(), row.faults.begin(), row.faults.end());
    SimProcess sim(QVSIM_PATH, args, dir / "qvsim.err");

    const size_t threadsBefore = SettledThreadCount();
    std::vector<std::string> messages;
    std::string state;
    bool connected = false;
    int userAborts = 0;
    double cpuMs = 0, wallMs = 0;
    {
        FaultDriver driver;
        if (row.pty) {
            const std::string device = sim.SerialPath();
            ASSERT_FALSE(device.empty()) << "qvsim did not say where its pty is";
            driver.ConnectSerial(device);
        } else {
            const int port = sim.Port();
            ASSERT_NE(port, 0) << "qvsim did not say where it listens";
            driver.ConnectTcp(port);
        }
        std::atomic<bool> downloaded{false};
        bool paused = false;
        std::thread pause;
        if (row.pauseAfterFrames > 0) {
            const std::string trace = dir / "trace.txt";
            pause = std::thread([&, trace] { paused = PauseAfterFrames(sim, trace, row.pauseAfterFrames, downloaded); });
        }
        driver.DownloadEveryRun(out.string());
        downloaded = true;
        if (pause.joinable()) pause.join();
        EXPECT_EQ(paused, row.pauseAfterFrames > 0) << "qvsim was not stopped mid-download";
        messages = MessageTexts(driver.ui);
        state = StateFlags(driver.ui);
        connected = driver.state->connected;
        // The user leaves the tool alone for a moment before disconnecting.
        driver.IdleFor(FaultDriver::QUIET_MS);
        driver.Disconnect();
        EXPECT_FALSE(driver.state->link) << "Disconnect left a link behind";
        userAborts = driver.userAborts;
        cpuMs = driver.quietCpuMs;
        wallMs = driver.quietWallMs;
    }
    EXPECT_EQ(ThreadCountSettlesTo(threadsBefore), threadsBefore) << "a thread outlived the session";

    // The message and the controls.
    const std::vector<std::string> wantMessages =
        want.message == NONE ? std::vector<std::string>{} : std::vector<std::string>{MessageText(want.message)};
    EXPECT_EQ(messages, wantMessages);
    EXPECT_EQ(state, want.state) << "control state flags";
    EXPECT_EQ(connected, want.connected);
    EXPECT_EQ(userAborts, want.userAborts) << "Abort presses needed";
    EXPECT_EQ(CountInFile(dir / "trace.txt", "<- 55 88 02 00 00 E0"), static_cast<size_t>(want.resends))
        << "ACK_RESEND frames the instrument received";

    // The files: complete ones byte for byte, the one cut short a true
    // prefix of its original, nothing else.
    ASSERT_LE(want.complete, static_cast<int>(expected.size()));
    std::vector<std::string> wantNames;
    for (int i = 0; i < want.complete; ++i) {
        wantNames.push_back(expected[i].name);
        EXPECT_TRUE(FileBytes(out / expected[i].name) == FileBytes(expected[i].source))
            << expected[i].name << " differs from qvsim's dump";
    }
    if (want.partialBytes != NONE) {
        ASSERT_LT(want.complete, static_cast<int>(expected.size()));
        const DumpedFile& cut = expected[want.complete];
        // A file cut short never takes the name of a finished one.
        wantNames.push_back(cut.name + ".partial");
        const Bytes got = FileBytes(out / (cut.name + ".partial"));
        const Bytes original = FileBytes(cut.source);
        EXPECT_EQ(got.size(), static_cast<size_t>(want.partialBytes)) << cut.name << " cut short";
        EXPECT_LT(got.size(), original.size());
        EXPECT_TRUE(got.size() <= original.size() && std::equal(got.begin(), got.end(), original.begin()))
            << cut.name << " is not the start of the original";
    }
    EXPECT_EQ(FileNames(out), wantNames) << "files in the save folder";

    // Waiting costs next to nothing: no thread spins on a dead line.
    ASSERT_GT(wallMs, 0.0);
    const double share = cpuMs / wallMs;
    RecordProperty("quiet_cpu_permille", static_cast<int>(share * 1000));
    EXPECT_LT(share, IDLE_CPU_SHARE) << cpuMs << " ms CPU in " << wallMs << " ms of waiting";
    EXPECT_EQ(sim.Stop(), 0) << "qvsim did not stop cleanly";
}

INSTANTIATE_TEST_SUITE_P(Qvsim, FaultMatrix, testing::ValuesIn(ROWS),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
