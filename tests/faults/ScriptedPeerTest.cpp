// The dialog logic over a real TCP link against an instrument with firmware
// faults, scripted frame by frame: replies nobody asked for in the middle of
// a download, a block after the run ended, a hang-up in a re-download. Every
// file must arrive whole under its own name, and a complete file must never
// be replaced by a cut one.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "retrieval/OutputFile.h"
#include "retrieval/RetrievalObserver.h"
#include "tests/faults/BadPeer.h"
#include "tests/faults/FaultDriver.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Frames.h"
#include "tools/qvsim/GeneratedCatalogue.h"
#include "ui/controls/ControlIds.h"

namespace {

namespace fs = std::filesystem;

constexpr int FILES = 3;
constexpr uint32_t FILE_BYTES = 6000;

bool IsAckOk(const FrameImage& frame) {
    return frame.sync == SYNC_RESPONSE && frame.body.command == 0x88 && frame.body.status == 0;
}

bool IsFileBlock(const FrameImage& frame) {
    return frame.sync == SYNC_REQUEST && frame.body.command == CMD_DATA_BLOCK &&
           (frame.body.status & BLOCK_KIND_MASK) == BLOCK_KIND_FILE;
}

Bytes Original(qvsim::Catalogue& catalogue, int file) {
    Bytes bytes(FILE_BYTES);
    catalogue.Read(0, static_cast<uint16_t>(file), 0, bytes.data(), FILE_BYTES);
    return bytes;
}

TEST(ScriptedPeer, UnaskedRepliesAndALateBlockLeaveEveryFileWhole) {
    qvsim::GeneratedCatalogue catalogue(1, FILES, FILE_BYTES);
    BadPeer peer(catalogue);
    std::atomic<int> acks{0};
    peer.fromTool = [&acks](const FrameImage& frame, int) {
        ScriptedInstrument::Step step;
        // Two blocks into the download: a connect, a file-count and a
        // disconnect reply that answer nothing the tool asked.
        if (IsAckOk(frame) && ++acks == 4) {
            for (uint8_t command : {0x10, 0x84, 0x11})
                Append(step.inject, WireFrame(SYNC_RESPONSE, command, 0, Hex("00 09")));
        }
        // A file block once the run is over, just before the disconnect reply.
        if (frame.sync == SYNC_REQUEST && frame.body.command == 0x11) step.inject = WireFrame(SYNC_REQUEST, 0x88, 0xA0, Hex("5A 5A"));
        return step;
    };
    ASSERT_TRUE(peer.Start());
    TempFolder dir;
    FaultDriver driver;
    driver.ConnectTcp(peer.Port());
    ASSERT_EQ(driver.ui.ListCount(IDC_FILES), FILES);
    driver.DownloadEveryRun(dir.Path().string());
    driver.Disconnect();
    EXPECT_TRUE(MessageTexts(driver.ui).empty()) << MessageTexts(driver.ui)[0];
    EXPECT_GE(acks, 4);
    for (int file = 0; file < FILES; ++file)
        EXPECT_TRUE(FileBytes(dir.Path() / OutputName(file)) == Original(catalogue, file)) << OutputName(file);
    EXPECT_EQ(FileNames(dir.Path()).size(), static_cast<size_t>(FILES))
        << "nothing under any other name";
}

TEST(ScriptedPeer, HangUpInARedownloadKeepsTheCompleteFile) {
    qvsim::GeneratedCatalogue catalogue(1, FILES, FILE_BYTES);
    BadPeer peer(catalogue);
    // Armed by the peer itself, at the re-download's first request: the
    // test's thread cannot tell when the last ack of the first one came.
    int requests = 0;
    int acks = 0;
    peer.fromTool = [&](const FrameImage& frame, int) {
        ScriptedInstrument::Step step;
        if (frame.sync == SYNC_REQUEST && frame.body.command == CMD_GET_FILE) ++requests;
        step.hangUp = requests > FILES && IsAckOk(frame) && ++acks == 2;
        return step;
    };
    ASSERT_TRUE(peer.Start());
    TempFolder dir;
    FaultDriver driver;
    driver.ConnectTcp(peer.Port());
    driver.DownloadEveryRun(dir.Path().string());
    ASSERT_TRUE(MessageTexts(driver.ui).empty());

    driver.DownloadEveryRun(dir.Path().string());
    EXPECT_EQ(MessageTexts(driver.ui).size(), 1u) << "the run that was cut short says so";
    const Bytes cut = FileBytes(dir.Path() / (OutputName(0) + ".partial"));
    EXPECT_EQ(cut.size(), 2048u);
    EXPECT_TRUE(std::equal(cut.begin(), cut.end(), Original(catalogue, 0).begin()));
    for (int file = 0; file < FILES; ++file)
        EXPECT_TRUE(FileBytes(dir.Path() / OutputName(file)) == Original(catalogue, file))
            << OutputName(file) << " was touched";
}

// Over TCP, a file that cannot end whole (its last block early, blocks past
// its size) or cannot be written (another download holds it) ends the run
// with its message, and the complete file of an earlier pull stays as it was.
struct Unwhole {
    const char* name;
    // Rewrites the engine's block `number` of file 0; empty: as it came.
    std::function<Bytes(const FrameImage& block, int number)> rewrite;
    bool holdPartial;
    const char* message;
    size_t partialBytes;  // left in NAME.partial by the run; 0: none
};

class UnwholeOverTcp : public ::testing::TestWithParam<Unwhole> {};

TEST_P(UnwholeOverTcp, LeavesTheCompleteFileAndSaysWhy) {
    const Unwhole& row = GetParam();
    qvsim::GeneratedCatalogue catalogue(1, FILES, FILE_BYTES);
    BadPeer peer(catalogue);
    int blocks = 0;
    peer.fromInstrument = [&](const FrameImage& frame, int) {
        ScriptedInstrument::Step step;
        if (!IsFileBlock(frame) || !row.rewrite) return step;
        const Bytes changed = row.rewrite(frame, ++blocks);
        if (!changed.empty()) {
            step.swallow = true;
            step.inject = changed;
        }
        return step;
    };
    ASSERT_TRUE(peer.Start());
    TempFolder dir;
    const Bytes complete = Pattern(FILE_BYTES, 3);
    WriteBytes(dir.Path() / OutputName(0), complete);
    PartialOpen opened = PartialOpen::FAILED;
    std::FILE* held =
        row.holdPartial ? OpenPartialFile((dir.Path() / (OutputName(0) + ".partial")).string().c_str(), &opened)
                        : nullptr;
    FaultDriver driver;
    driver.ConnectTcp(peer.Port());
    driver.DownloadEveryRun(dir.Path().string());
    EXPECT_EQ(MessageTexts(driver.ui), std::vector<std::string>{row.message});
    EXPECT_TRUE(FileBytes(dir.Path() / OutputName(0)) == complete);
    EXPECT_FALSE(fs::exists(dir.Path() / OutputName(1))) << "the rest of the run is not fetched";
    const Bytes partial = FileBytes(dir.Path() / (OutputName(0) + ".partial"));
    EXPECT_EQ(partial.size(), row.partialBytes);
    EXPECT_TRUE(std::equal(partial.begin(), partial.end(), Original(catalogue, 0).begin()));
    if (held != nullptr) std::fclose(held);
    driver.Disconnect();
}

Bytes Reflagged(const FrameImage& block, uint8_t flags) {
    const CommandRequest& body = block.body;
    return WireFrame(SYNC_REQUEST, body.command, flags, Bytes(body.data, body.data + body.length));
}

INSTANTIATE_TEST_SUITE_P(
    ScriptedPeer, UnwholeOverTcp,
    ::testing::Values(
        Unwhole{"LastFlagTooEarly",
                [](const FrameImage& block, int number) { return number == 2 ? Reflagged(block, 0xA0) : Bytes(); },
                false, "データ転送中にエラーが発生しました。", 2048},
        Unwhole{"BlocksPastTheSize",
                [](const FrameImage& block, int) {
                    if (!(block.body.status & BLOCK_LAST)) return Bytes();
                    Bytes more = Reflagged(block, 0x20);
                    Append(more, WireFrame(SYNC_REQUEST, CMD_DATA_BLOCK, 0x20, Pattern(1024)));
                    return more;
                },
                false, "データ転送中にエラーが発生しました。", FILE_BYTES},
        Unwhole{"PartialHeldByAnotherDownload", nullptr, true, "ログファイルが作成できませんでした。", 0}),
    [](const ::testing::TestParamInfo<Unwhole>& info) { return std::string(info.param.name); });

// A message box runs its own message loop. Abort is pressed mid-file; a
// block the instrument sends right behind the one that ends the run (the
// block the abort refuses, or an error block) comes while that ending's box
// is up, and is refused without a second message.
TEST(ScriptedPeer, ABlockUnderTheEndingsBoxIsRefusedWithoutAWord) {
    for (const bool abort : {false, true}) {
        SCOPED_TRACE(abort ? "aborted" : "error block during the abort");
        qvsim::GeneratedCatalogue catalogue(1, FILES, FILE_BYTES);
        BadPeer peer(catalogue);
        std::atomic<int> refusals{0};
        peer.fromTool = [&](const FrameImage& frame, int) {
            refusals += frame.sync == SYNC_RESPONSE && frame.body.command == CMD_DATA_BLOCK &&
                        frame.body.status == ACK_CANCEL;
            return ScriptedInstrument::Step();
        };
        int blocks = 0;
        peer.fromInstrument = [&](const FrameImage& frame, int) {
            ScriptedInstrument::Step step;
            if (!IsFileBlock(frame) || ++blocks != 2) return step;
            step.swallow = true;
            step.inject = Reflagged(frame, abort ? frame.body.status : BLOCK_KIND_FILE | BLOCK_ERROR);
            Append(step.inject, WireFrame(SYNC_REQUEST, CMD_DATA_BLOCK, BLOCK_KIND_FILE, Pattern(1024)));
            return step;
        };
        ASSERT_TRUE(peer.Start());
        struct FirstBlock : RetrievalObserver {
            bool written = false;
            void BlockWritten(uint32_t, uint32_t) override { written = true; }
        } heard;
        FaultDriver driver(nullptr, &heard);
        driver.ConnectTcp(peer.Port());
        bool pressed = false;
        driver.betweenMessages = [&] {
            if (heard.written && !pressed) driver.Press(IDC_ABORT);
            pressed = pressed || heard.written;
        };
        // The box stays up until the late block is queued beside the
        // refusal the ending posted.
        auto lateBlockPosted = [&] { return driver.ui.queue().Size() >= 2; };
        driver.ui.onMessageBox = [&](const HeadlessUi::MessageBoxRecord&) {
            for (int ms = 0; ms < 2000 && !lateBlockPosted(); ++ms)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            EXPECT_TRUE(lateBlockPosted()) << "the late block never came";
        };
        TempFolder dir;
        driver.DownloadEveryRun(dir.Path().string());
        EXPECT_EQ(MessageTexts(driver.ui).size(), 1u);
        EXPECT_EQ(StateFlags(driver.ui), STATE_1);
        for (int ms = 0; ms < 2000 && refusals < 2; ++ms) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(refusals.load(), 2) << "the block that ended the run and the late one, under the box";
        driver.ui.onMessageBox = nullptr;
        driver.Disconnect();
    }
}

}  // namespace
