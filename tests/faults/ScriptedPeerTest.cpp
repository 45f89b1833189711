// The dialog logic over a real TCP link against an instrument with firmware
// faults, scripted frame by frame: replies nobody asked for in the middle of
// a download, a block after the run ended, a hang-up in a re-download. Every
// file must arrive whole under its own name, and a complete file must never
// be replaced by a cut one.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "tests/faults/BadPeer.h"
#include "tests/faults/FaultDriver.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Frames.h"
#include "tools/qvsim/GeneratedCatalogue.h"
#include "ui/controls/ControlIds.h"

namespace {


constexpr int FILES = 3;
constexpr uint32_t FILE_BYTES = 6000;

bool IsAckOk(const FrameImage& frame) {
    return frame.sync == SYNC_RESPONSE && frame.body.command == 0x88 && frame.body.status == 0;
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

}  // namespace
