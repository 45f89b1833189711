#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>

#ifdef __linux__
#include <sys/resource.h>
#endif

#include "retrieval/OutputFile.h"
#include "tests/support/ConversationSteps.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

#ifdef __linux__
// Writes past `bytes` fail in this process until the guard ends.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }

private:
    rlimit m_old{};
    void (*m_oldSignal)(int) = nullptr;
};
#endif

// CMD_GET_FILE for file `n` of the run 2024-05-07 09:05:00.
std::string GetFileFrame(int n) {
    Bytes payload = Hex("07 E8 05 07 09 05 00 00");
    payload.push_back(static_cast<uint8_t>(n));
    return ToHex(WireFrame(SYNC_REQUEST, 0x87, 0, payload));
}

class Download : public ::testing::Test {
protected:
    // The run listed with eight files, the save folder set, `selected`
    // chosen and Download pressed; checks and takes the first CMD_GET_FILE.
    void Start(const std::vector<int>& selected, const std::string& folder = "") {
        ReachRun20240507(c, 8);
        c.ui.SetControlText(IDC_SAVE_PATH, folder.empty() ? dir.Text().c_str() : folder.c_str());
        for (int n : selected) c.ui.SelectEntry(IDC_FILES, n, true);
        c.Command(IDC_DOWNLOAD);
        EXPECT_EQ(c.TakeSent(), Sent{GetFileFrame(selected[0])});
    }

    // Start, then the instrument's reply announcing a file of `size` bytes.
    void Started(const std::vector<int>& selected, uint32_t size, const std::string& folder = "") {
        Start(selected, folder);
        c.ReceiveReply(0x87, 0, Big32(size));
    }
    // Download pressed again, the first file announced with `size` bytes.
    void DownloadAgain(uint32_t size) {
        c.Command(IDC_DOWNLOAD);
        c.ReceiveReply(0x87, 0, Big32(size));
    }

    // The run is over: `message` alone shown, both bars in `bars`, state 1
    // and, where given, `status` beside the bars.
    void ExpectEnded(const char* message, ProgressBarState bars, const char* status = nullptr) {
        EXPECT_EQ(c.MessageTexts(), Texts{message});
        EXPECT_EQ(c.ui.control(IDC_BYTE_BAR).barState, bars);
        EXPECT_EQ(c.ui.control(IDC_FILE_BAR).barState, bars);
        if (status) {
            EXPECT_EQ(c.Text(IDC_STATUS_TEXT), status);
        }
        EXPECT_EQ(c.StateFlags(), STATE_1);
    }

    fs::path Output(int n) const { return dir / OutputName(n); }
    // Where a file not finished lies.
    fs::path Partial(int n) const { return dir / (OutputName(n) + ".partial"); }

    TempFolder dir;  // outlives the conversation, which may hold a file open
    Conversation c;
};

TEST_F(Download, TwoSelectedFilesAreWrittenUnderTheirRunNames) {
    Start({2, 5});
    EXPECT_EQ(c.StateFlags(), STATE_2);
    EXPECT_EQ(c.Text(IDC_FILE_TEXT), "0 / 2");
    EXPECT_TRUE(c.Shown(IDC_BYTE_BAR) && c.Shown(IDC_STATUS_TEXT) && c.Shown(IDC_FILE_TEXT));

    for (int n : {2, 5}) {
        SCOPED_TRACE(testing::Message() << "file " << n);
        const Bytes content = Pattern(3000, static_cast<uint8_t>(n));
        c.ReceiveReply(0x87, 0, Big32(3000));
        EXPECT_EQ(c.Text(IDC_BYTE_TEXT), "  0% (0 / 3000 byte)");
        c.ReceiveBlock(0x20, Bytes(content.begin(), content.begin() + 1024));
        c.ReceiveBlock(0x20, Bytes(content.begin() + 1024, content.begin() + 2048));
        EXPECT_EQ(c.TakeSent(), (Sent{ACK_OK_FRAME, ACK_OK_FRAME}));
        EXPECT_EQ(c.Text(IDC_BYTE_TEXT), " 68% (2048 / 3000 byte)");
        c.ReceiveBlock(0xA0, Bytes(content.begin() + 2048, content.end()));
        EXPECT_EQ(c.Text(IDC_STATUS_TEXT), OutputName(n).substr(16) + " 完了");
        EXPECT_EQ(FileText(Output(n)), AsText(content));
        EXPECT_EQ(c.Text(IDC_FILE_TEXT), n == 2 ? "1 / 2" : "2 / 2");
        EXPECT_EQ(c.TakeSent(), n == 2 ? (Sent{ACK_OK_FRAME, GetFileFrame(5)}) : Sent{ACK_OK_FRAME})
            << "the next request leaves after the acknowledgement";
    }
    EXPECT_EQ(FileNames(dir.Path()), (Texts{OutputName(2), OutputName(5)}));
    EXPECT_EQ(c.ui.control(IDC_FILE_BAR).position, 2);
    EXPECT_EQ(c.StateFlags(), STATE_1);
    EXPECT_TRUE(c.MessageTexts().empty());
    EXPECT_TRUE(c.Shown(IDC_BYTE_TEXT)) << "the last figures stay in view";
}

TEST_F(Download, EmptyLastBlockMovesOnToTheNextSelectedFile) {
    Start({3, 5});
    c.ReceiveReply(0x87, 0, Big32(2));
    c.Receive("AA 88 A0 00 02 41 42 58");
    EXPECT_EQ(c.TakeSent(), (Sent{"55 88 00 00 00 DE", GetFileFrame(5)}));
    EXPECT_EQ(FileText(Output(3)), "AB");
    EXPECT_EQ(c.Text(IDC_FILE_TEXT), "1 / 2");

    // An empty last block ends a file just the same.
    c.ReceiveReply(0x87, 0, Big32(2));
    c.ReceiveBlock(0x20, Hex("43 44"));
    c.ReceiveBlock(0xA0);
    EXPECT_EQ(c.TakeSent(), (Sent{ACK_OK_FRAME, ACK_OK_FRAME}));
    EXPECT_EQ(c.state->download.outputFile, nullptr);
    EXPECT_EQ(FileText(Output(5)), "CD");
    EXPECT_EQ(c.Text(IDC_FILE_TEXT), "2 / 2");
    EXPECT_EQ(c.StateFlags(), STATE_1);
}

TEST_F(Download, NothingSelectedSendsNothingAndChangesNothing) {
    ReachRun20240507(c, 3);
    c.ui.SetControlText(IDC_SAVE_PATH, dir.Text().c_str());
    c.Command(IDC_DOWNLOAD);
    EXPECT_TRUE(c.TakeSent().empty());
    EXPECT_EQ(c.StateFlags(), STATE_1);
    EXPECT_FALSE(c.Shown(IDC_BYTE_BAR) || c.Shown(IDC_STATUS_TEXT) || c.Shown(IDC_FILE_TEXT));
    EXPECT_EQ(c.Text(IDC_STATUS_TEXT), "");
    EXPECT_TRUE(FileNames(dir.Path()).empty());
}

TEST_F(Download, NotReadyIsAskedAgainFiveTimesThenGivesUp) {
    Start({1});
    for (int repeat = 1; repeat <= 5; ++repeat) {
        c.ReceiveReply(0x87, 13);
        EXPECT_EQ(c.TakeSent(), Sent{GetFileFrame(1)}) << "repeat " << repeat;
    }
    c.ReceiveReply(0x87, 0, Big32(2));
    c.ReceiveBlock(0xA0, Hex("41 42"));
    EXPECT_EQ(FileText(Output(1)), "AB");
    EXPECT_EQ(c.TakeSent(), Sent{ACK_OK_FRAME});
    EXPECT_EQ(c.StateFlags(), STATE_1);
    EXPECT_TRUE(c.MessageTexts().empty());

    // A new run counts from zero again; the sixth "not ready" ends it.
    c.Command(IDC_DOWNLOAD);
    EXPECT_EQ(c.TakeSent(), Sent{GetFileFrame(1)});
    for (int repeat = 1; repeat <= 5; ++repeat) {
        c.ReceiveReply(0x87, 13);
        EXPECT_EQ(c.TakeSent().size(), 1u);
        EXPECT_TRUE(c.MessageTexts().empty());
    }
    c.ReceiveReply(0x87, 13);
    EXPECT_TRUE(c.TakeSent().empty());
    EXPECT_EQ(c.MessageTexts(), Texts{"本体にSDカードが挿入されていません。"});
    EXPECT_EQ(c.StateFlags(), STATE_1);
}

TEST_F(Download, ZeroSizeEndsTheRunAndLaterFilesAreNotFetched) {
    Started({1, 2}, 0);
    EXPECT_EQ(c.StateFlags(), STATE_1);
    c.Advance(10000);
    EXPECT_TRUE(c.TakeSent().empty());
    EXPECT_TRUE(c.MessageTexts().empty());
    EXPECT_TRUE(FileNames(dir.Path()).empty());
}

// Abort after a file's first block, with a second file selected or not: a
// block that comes next is refused, a silent instrument is given ten seconds.
class Abort : public Download, public ::testing::WithParamInterface<bool> {};

TEST_P(Abort, EndsTheRunAsksNothingMoreAndKeepsWhatWasWritten) {
    const bool blockComes = GetParam();
    Started(blockComes ? std::vector<int>{2, 5} : std::vector<int>{2}, 3000);
    c.ReceiveBlock(0x20, Pattern(1024, 1));
    c.TakeSent();
    c.Command(IDC_ABORT);
    EXPECT_EQ(c.StateFlags(), STATE_3);
    EXPECT_TRUE(c.TakeSent().empty());
    if (blockComes) {
        c.ReceiveBlock(0x20, Pattern(1024, 2));
        EXPECT_EQ(c.TakeSent(), Sent{ACK_CANCEL_FRAME});
    } else {
        c.Advance(9999);
        EXPECT_TRUE(c.MessageTexts().empty());
        c.Advance(1);
    }
    ExpectEnded("中断しました。", PROGRESS_PAUSED, "00000002.csv 中断");
    EXPECT_EQ(c.ui.messageBoxes()[0].type, MB_ICON_INFORMATION);
    EXPECT_EQ(c.state->download.outputFile, nullptr);
    EXPECT_EQ(FileText(Partial(2)), AsText(Pattern(1024, 1)));
    EXPECT_EQ(FileNames(dir.Path()), Texts{OutputName(2) + ".partial"});
    EXPECT_FALSE(c.ui.TimerRunning(TIMER_ABORT) || c.ui.TimerRunning(TIMER_BLOCK));
    c.Advance(200000);
    EXPECT_TRUE(c.TakeSent().empty()) << "no ACK_RESEND after the abort has finished";
    EXPECT_EQ(c.MessageTexts().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Download, Abort, ::testing::Bool(), [](const ::testing::TestParamInfo<bool>& info) {
    return std::string(info.param ? "BlockAfterIt" : "SilentInstrument");
});

TEST_F(Download, AbortThatEndedWithoutABlockDoesNotCutTheNextRunShort) {
    Start({2});
    c.Command(IDC_ABORT);
    c.ReceiveReply(0x87, 0, Big32(0));  // the run ends before any block
    EXPECT_EQ(c.StateFlags(), STATE_1);
    c.Advance(2000);
    DownloadAgain(4);
    c.ReceiveBlock(0x20, Hex("41 42"));
    c.Advance(9000);  // past the first abort's ten seconds
    EXPECT_TRUE(c.MessageTexts().empty());
    EXPECT_EQ(c.StateFlags(), STATE_2);
    c.ReceiveBlock(0xA0, Hex("43 44"));
    EXPECT_EQ(FileText(Output(2)), "ABCD");
    EXPECT_EQ(c.StateFlags(), STATE_1);
}

TEST_F(Download, ReplyTimeOutStopsEveryWatch) {
    // An instrument that pushes a block without answering the request first:
    // nothing waits for it, so it is refused and nothing is written.
    Start({2});
    c.ReceiveBlock(0x20, Hex("41 42"));
    EXPECT_EQ(c.TakeSent(), Sent{ACK_CANCEL_FRAME});
    c.Command(IDC_ABORT);
    c.Advance(3000);
    EXPECT_EQ(c.MessageTexts(), Texts{"応答がありません。計測器から切断しました。"});
    EXPECT_EQ(c.StateFlags(), STATE_0);
    EXPECT_EQ(c.state->download.outputFile, nullptr);
    EXPECT_TRUE(FileNames(dir.Path()).empty());
    c.Advance(200000);
    EXPECT_EQ(c.MessageTexts().size(), 1u) << "no abort or watch message after the connection is gone";
    EXPECT_TRUE(c.TakeSent().empty());
}

TEST_F(Download, FiftyMegabyteFileShowsHalfWayCorrectly) {
    Start({0});
    constexpr uint32_t total = 50u << 20;
    c.ReceiveReply(0x87, 0, Big32(total));
    const Bytes block = Pattern(1024, 9);
    constexpr int halfWay = static_cast<int>(total / 2 / 1024);
    for (int i = 0; i < halfWay - 1; ++i) {
        c.ReceiveBlock(0x20, block);
        c.wire.writes.clear();
    }
    EXPECT_EQ(c.Text(IDC_BYTE_TEXT), " 49% (24 / 50 Mbyte)");
    c.ReceiveBlock(0x20, block);
    EXPECT_EQ(c.Text(IDC_BYTE_TEXT), " 50% (25 / 50 Mbyte)");
    EXPECT_EQ(c.ui.control(IDC_BYTE_BAR).position, 50);
    EXPECT_EQ(c.Text(IDC_STATUS_TEXT), "00000000.csv をダウンロード中...");
    EXPECT_TRUE(c.MessageTexts().empty());
}

TEST_F(Download, ExistingFileIsReplacedOnlyByACompleteOne) {
    WriteText(Output(2), "an older and much longer content of the same file");
    Started({2}, 4);
    c.ReceiveBlock(0xA0, Hex("41 42 43 44"));
    ASSERT_EQ(FileText(Output(2)), "ABCD");

    // The same file again, aborted after one block: the complete one stays.
    DownloadAgain(4);
    c.ReceiveBlock(0x20, Hex("45 46"));
    c.Command(IDC_ABORT);
    c.ReceiveBlock(0x20, Hex("47 48"));
    EXPECT_EQ(c.MessageTexts(), Texts{"中断しました。"});
    EXPECT_EQ(FileText(Output(2)), "ABCD");
    EXPECT_EQ(FileText(Partial(2)), "EF");

    // A complete third download replaces both.
    DownloadAgain(2);
    c.ReceiveBlock(0xA0, Hex("49 4A"));
    EXPECT_EQ(FileNames(dir.Path()), Texts{OutputName(2)});
    EXPECT_EQ(FileText(Output(2)), "IJ");
}

TEST_F(Download, RepliesAndBlocksNobodyAskedForChangeNothing) {
    Started({0, 1}, 4);
    c.ReceiveBlock(0x20, Hex("41 42"));
    c.TakeSent();
    // Replies that answer no request: no catalogue restart, no end of the run.
    for (uint8_t command : {0x10, 0x84, 0x11, 0x87}) c.ReceiveReply(command, 0, Big32(9));
    // Blocks of another sequence: refused, nothing else.
    c.ReceiveBlock(0x00, Hex("07 E8 05 08"));
    c.ReceiveBlock(0x90, Hex("10 00 00"));
    EXPECT_EQ(c.TakeSent(), (Sent{ACK_CANCEL_FRAME, ACK_CANCEL_FRAME}));
    EXPECT_EQ(c.Entries(IDC_DATES), Texts{"2024/05/07"});
    EXPECT_EQ(c.StateFlags(), STATE_2);
    c.ReceiveBlock(0xA0, Hex("43 44"));
    EXPECT_EQ(c.TakeSent(), (Sent{ACK_OK_FRAME, GetFileFrame(1)}));
    c.ReceiveReply(0x87, 0, Big32(1));
    c.ReceiveBlock(0xA0, Hex("45"));
    EXPECT_EQ(FileText(Output(0)), "ABCD");
    EXPECT_EQ(FileText(Output(1)), "E");
    EXPECT_TRUE(c.MessageTexts().empty());

    // A file block after the run ended neither re-creates nor truncates.
    c.TakeSent();
    c.ReceiveBlock(0xA0, Hex("5A"));
    EXPECT_EQ(c.TakeSent(), Sent{ACK_CANCEL_FRAME});
    EXPECT_EQ(FileText(Output(1)), "E");
    EXPECT_EQ(FileNames(dir.Path()), (Texts{OutputName(0), OutputName(1)}));
    EXPECT_EQ(c.StateFlags(), STATE_1);
}

TEST_F(Download, RunThatFailsWhileAnAbortIsPendingShowsOneMessage) {
    Started({2}, 3000);
    c.ReceiveBlock(0x20, Hex("41"));
    c.Command(IDC_ABORT);
    c.ReceiveBlock(0x60);
    c.Advance(20000);
    EXPECT_EQ(c.MessageTexts(), Texts{"データ転送中にエラーが発生しました。"});

    // The block watch runs out while the abort waits for its ten seconds.
    DownloadAgain(3000);
    c.ReceiveBlock(0x20, Hex("41"));
    c.Advance(175000);
    c.Command(IDC_ABORT);
    c.Advance(20000);
    EXPECT_EQ(c.MessageTexts(), Texts(2, "データ転送中にエラーが発生しました。"));
    EXPECT_EQ(c.StateFlags(), STATE_1);
}

// An existing folder whose path is exactly `length` characters long.
std::string FolderOfLength(const TempFolder& base, size_t length) {
    std::string folder = base.Text();
    folder += static_cast<char>(fs::path::preferred_separator);
    folder.append(length - folder.size(), 'f');
    fs::create_directories(folder);
    return folder;
}

TEST_F(Download, FolderTooLongForTheFullPathIsRefusedLikeAFailedCreation) {
    // 223 characters of folder, a separator, a 28-character name and
    // ".partial": 260.
    const std::string tooLong = FolderOfLength(dir, 223);
    Started({2}, 2, tooLong);
    c.ReceiveBlock(0xA0, Hex("41 42"));
    EXPECT_EQ(c.TakeSent(), Sent{ACK_CANCEL_FRAME});
    ExpectEnded("ログファイルが作成できませんでした。", PROGRESS_PAUSED);
    EXPECT_TRUE(fs::is_empty(tooLong));

    // One character less fits in 259.
    const std::string longest = tooLong.substr(0, 222);
    fs::create_directories(longest);
    c.ui.SetControlText(IDC_SAVE_PATH, longest.c_str());
    DownloadAgain(2);
    c.ReceiveBlock(0xA0, Hex("41 42"));
    EXPECT_EQ(FileText(fs::path(longest) / OutputName(2)), "AB");
    EXPECT_EQ(c.MessageTexts().size(), 1u);
}

}  // namespace

TEST_F(Download, RepliesTooShortForTheirNumbersAreTransferErrors) {
    // A file reply without its four size bytes: nothing is asked or written.
    Start({1});
    c.ReceiveReply(0x87, 0, Hex("00 00"));
    EXPECT_EQ(c.MessageTexts(), std::vector<std::string>{"データ転送中にエラーが発生しました。"});
    EXPECT_EQ(c.StateFlags(), STATE_1);
    EXPECT_TRUE(FileNames(dir.Path()).empty());

    // A file count without its two bytes leaves the list empty.
    Conversation fresh;
    ReachDates(fresh);
    fresh.ReceiveBlock(0x80, Hex("07 E8 05 07"));
    fresh.ReceiveReply(0x86, 0);
    fresh.ReceiveBlock(0x90, Hex("09 05 00"));
    fresh.ReceiveReply(0x84, 0, Hex("05"));
    EXPECT_TRUE(fresh.Entries(IDC_FILES).empty());
    EXPECT_EQ(fresh.MessageTexts(), std::vector<std::string>{"データ転送中にエラーが発生しました。"});
    EXPECT_EQ(fresh.StateFlags(), STATE_1);
}

namespace {

// A file that cannot end whole: the run ends with its message, the bytes
// taken stay in NAME.partial and the complete NAME of an earlier download,
// where there is one, stays as it was.
struct Block {
    uint8_t flags;
    size_t bytes;
    uint64_t waitBefore;    // ms of silence before it
    bool diskFull = false;  // writes past 1500 bytes fail while it comes
};
constexpr long NO_PARTIAL = -1;
constexpr long NOT_LOOKED_AT = -2;
struct UnwholeFile {
    const char* name;
    const char* folder;  // under the test's folder; the folder itself when empty
    bool earlierComplete;
    uint32_t announced;
    std::vector<Block> blocks;
    uint64_t waitAfter;
    Sent sent;
    const char* message;
    ProgressBarState bars;
    const char* status;
    long kept;  // bytes left in NAME.partial, the first blocks' in order
};

const char* const TRANSFER_ERROR = "データ転送中にエラーが発生しました。";
const char* const NOT_CREATED = "ログファイルが作成できませんでした。";

class Unwhole : public Download, public ::testing::WithParamInterface<UnwholeFile> {};

TEST_P(Unwhole, StaysPartialAndEndsTheRun) {
    const UnwholeFile& file = GetParam();
    const std::string complete = AsText(Pattern(3000, 7));
    if (file.earlierComplete) WriteText(Output(2), complete);
    const fs::path folder = dir / file.folder;
    Started({2, 5}, file.announced, folder.string());
    Bytes received;
    for (size_t i = 0; i < file.blocks.size(); ++i) {
        const Bytes content = Pattern(file.blocks[i].bytes, static_cast<uint8_t>(i + 1));
        c.Advance(file.blocks[i].waitBefore);
#ifdef __linux__
        std::unique_ptr<FileSizeLimit> full(file.blocks[i].diskFull ? new FileSizeLimit(1500) : nullptr);
#endif
        c.ReceiveBlock(file.blocks[i].flags, content);
        Append(received, content);
    }
    c.Advance(file.waitAfter);
    EXPECT_EQ(c.TakeSent(), file.sent) << "no request for file 5";
    ExpectEnded(file.message, file.bars, file.status);
    EXPECT_EQ(c.state->download.outputFile, nullptr);
    EXPECT_FALSE(c.ui.TimerRunning(TIMER_BLOCK));
    EXPECT_EQ(fs::exists(folder / OutputName(2)), file.earlierComplete);
    EXPECT_EQ(FileText(folder / OutputName(2)), file.earlierComplete ? complete : "");
    EXPECT_EQ(fs::exists(folder), file.kept != NO_PARTIAL) << "a missing folder is not made";
    if (file.kept >= 0) {
        EXPECT_EQ(FileText(Partial(2)), AsText(Bytes(received.begin(), received.begin() + file.kept)));
    }
    c.Advance(200000);
    EXPECT_TRUE(c.TakeSent().empty());
    EXPECT_EQ(c.MessageTexts().size(), 1u);
}

const UnwholeFile UNWHOLE_FILES[] = {
    {"LastBlockShortOfTheSize", "", true, 3000, {{0x20, 1024, 0}, {0xA0, 976, 0}}, 0,
     {ACK_OK_FRAME, ACK_CANCEL_FRAME}, TRANSFER_ERROR, PROGRESS_ERROR, "00000002.csv エラー", 2000},
    {"BlocksPastTheSize", "", true, 700, {{0x20, 700, 0}, {0x20, 1024, 0}}, 0,
     {ACK_OK_FRAME, ACK_CANCEL_FRAME}, TRANSFER_ERROR, PROGRESS_ERROR, "00000002.csv エラー", 700},
    // Blocks carry no number: a late block and its resend both come, and
    // only the size tells.
    {"LateBlockCrossedByItsResend", "", true, 3000,
     {{0x20, 1024, 0}, {0x20, 1024, 30000}, {0x20, 1024, 0}}, 0,
     {ACK_OK_FRAME, ACK_RESEND_FRAME, ACK_OK_FRAME, ACK_CANCEL_FRAME}, TRANSFER_ERROR, PROGRESS_ERROR,
     "00000002.csv エラー", 2048},
    {"ErrorBlock", "", false, 3000, {{0x20, 3, 0}, {0x60, 2, 0}}, 0, {ACK_OK_FRAME, ACK_CANCEL_FRAME},
     TRANSFER_ERROR, PROGRESS_ERROR, "00000002.csv エラー", 3},
    {"SilenceAfterFiveResendRequests", "", false, 3000, {{0x20, 2, 0}}, 180000,
     {ACK_OK_FRAME, ACK_RESEND_FRAME, ACK_RESEND_FRAME, ACK_RESEND_FRAME, ACK_RESEND_FRAME,
      ACK_RESEND_FRAME},
     TRANSFER_ERROR, PROGRESS_ERROR, "00000002.csv エラー", 2},
    {"BlockLongerThanAFrameCarries", "", false, 3000, {{0x20, 1100, 0}}, 0, {ACK_CANCEL_FRAME},
     TRANSFER_ERROR, PROGRESS_ERROR, nullptr, NOT_LOOKED_AT},
    // No ACK_OK for a block that found no file to go in.
    {"MissingSaveFolder", "missing", false, 2, {{0xA0, 2, 0}}, 0, {ACK_CANCEL_FRAME}, NOT_CREATED,
     PROGRESS_PAUSED, "00000002.csv 中断", NO_PARTIAL},
#ifdef __linux__
    // The very block that did not reach the disk is the one refused.
    {"FailedWrite", "", false, 1u << 20, {{0x20, 1024, 0}, {0x20, 1024, 0, true}}, 0,
     {ACK_OK_FRAME, ACK_CANCEL_FRAME}, NOT_CREATED, PROGRESS_ERROR, "00000002.csv エラー", NOT_LOOKED_AT},
#endif
};
INSTANTIATE_TEST_SUITE_P(
    Download, Unwhole, ::testing::ValuesIn(UNWHOLE_FILES),
    [](const ::testing::TestParamInfo<UnwholeFile>& info) { return std::string(info.param.name); });

TEST_F(Download, BlocksThatBringNothingDoNotHoldTheWatchOff) {
    Started({2}, 3000);
    c.ReceiveBlock(0x20, Pattern(1024, 1));
    for (int second = 0; second < 200; ++second) {
        c.Advance(1000);
        c.ReceiveBlock(0x20);
    }
    const Sent sent = c.TakeSent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), ACK_RESEND_FRAME), 5);
    EXPECT_EQ(c.MessageTexts(), Texts{"データ転送中にエラーが発生しました。"});
    EXPECT_EQ(c.StateFlags(), STATE_1);

    // The same for a list: empty date blocks give no date and no end.
    Conversation dates;
    ReachDates(dates);
    for (int second = 0; second < 200; ++second) {
        dates.Advance(1000);
        dates.ReceiveBlock(0x00, Hex("07"));
    }
    EXPECT_EQ(dates.MessageTexts(), Texts{"データ転送中にエラーが発生しました。"});
    EXPECT_EQ(dates.StateFlags(), STATE_1);
}

TEST_F(Download, WhatStandsAtTheNamesDecidesAtTheFirstBlock) {
#ifndef _WIN32
    // A link at NAME.partial is removed, never followed.
    WriteText(dir / "elsewhere", "keep");
    fs::create_symlink(dir / "elsewhere", Partial(2));
    Started({2}, 2);
    c.ReceiveBlock(0xA0, Hex("41 42"));
    EXPECT_EQ(c.TakeSent(), Sent{ACK_OK_FRAME});
    EXPECT_EQ(FileText(dir / "elsewhere"), "keep");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Output(2))));
    EXPECT_EQ(FileText(Output(2)), "AB");
#else
    ReachRun20240507(c, 8);
    c.ui.SetControlText(IDC_SAVE_PATH, dir.Text().c_str());
    c.ui.SelectEntry(IDC_FILES, 2, true);
#endif
    // A name the finished file could not replace, and a ".partial" another
    // download holds: refused before any transfer, nothing of theirs touched.
    fs::create_directories(Output(3) / "inside");
    PartialOpen opened = PartialOpen::FAILED;
    std::FILE* held = OpenPartialFile(Partial(4).string().c_str(), &opened);
    ASSERT_NE(held, nullptr);
    std::fputs("theirs", held);
    std::fflush(held);
    auto refusedAtFirstBlock = [&](int n, OutputProblem problem) {
        SCOPED_TRACE(OutputName(n));
        c.ui.SelectEntry(IDC_FILES, n - 1, false);
        c.ui.SelectEntry(IDC_FILES, n, true);
        DownloadAgain(4);
        c.TakeSent();
        c.ReceiveBlock(0x20, Hex("41 42"));
        EXPECT_EQ(c.TakeSent(), Sent{ACK_CANCEL_FRAME});
        ExpectEnded("ログファイルが作成できませんでした。", PROGRESS_PAUSED);
        c.ui.ClearMessageBoxes();
        EXPECT_EQ(c.state->download.fileProblem, problem);
    };
    refusedAtFirstBlock(3, OutputProblem::NAME_NOT_REPLACEABLE);
    refusedAtFirstBlock(4, OutputProblem::IN_USE);
    EXPECT_TRUE(fs::exists(Output(3) / "inside"));
    EXPECT_FALSE(fs::exists(Partial(3)));
    std::fclose(held);
    EXPECT_EQ(FileText(Partial(4)), "theirs");
    // A folder in the ".partial"'s place that would not go is no download's.
    fs::remove(Partial(4));
    fs::create_directories(Partial(4) / "inside");
    refusedAtFirstBlock(4, OutputProblem::NOT_CREATED);
    EXPECT_TRUE(fs::exists(Partial(4) / "inside"));

    // A name taken while the file ran: tried for a moment, then refused,
    // the whole file kept in NAME.partial.
    c.ui.SelectEntry(IDC_FILES, 4, false);
    c.ui.SelectEntry(IDC_FILES, 5, true);
    DownloadAgain(4);
    c.ReceiveBlock(0x20, Hex("41 42"));
    fs::create_directories(Output(5) / "inside");
    c.TakeSent();
    c.ReceiveBlock(0xA0, Hex("43 44"));
    EXPECT_EQ(c.TakeSent(), Sent{ACK_CANCEL_FRAME});
    ExpectEnded("ログファイルが作成できませんでした。", PROGRESS_ERROR);
    EXPECT_EQ(FileText(Partial(5)), "ABCD");
}

// The box's own message loop runs what arrives while it is up: a block that
// comes then is refused, and the run's one message stays the only one.
TEST_F(Download, BlocksUnderTheEndingsMessageBoxAddNoMessage) {
    const std::string block = ToHex(WireFrame(SYNC_REQUEST, 0x88, 0x20, Hex("41")));
    Started({2}, 3000);
    c.ReceiveBlock(0x20, Hex("41"));
    c.TakeSent();
    c.Command(IDC_ABORT);
    c.Receive(block + " " + block);
    EXPECT_EQ(c.TakeSent(), (Sent{ACK_CANCEL_FRAME, ACK_CANCEL_FRAME}));
    ExpectEnded("中断しました。", PROGRESS_PAUSED);

    c.ui.ClearMessageBoxes();
    DownloadAgain(3000);
    c.ReceiveBlock(0x20, Hex("41"));
    c.TakeSent();
    c.Command(IDC_ABORT);
    c.Receive(ToHex(WireFrame(SYNC_REQUEST, 0x88, 0x60)) + " " + block);
    EXPECT_EQ(c.TakeSent(), (Sent{ACK_CANCEL_FRAME, ACK_CANCEL_FRAME}));
    ExpectEnded("データ転送中にエラーが発生しました。", PROGRESS_ERROR);
}

TEST_F(Download, APendingAbortEndsWithWhateverEndsTheRun) {
    // An error reply to the file request: its message alone.
    Start({2});
    c.Command(IDC_ABORT);
    c.ReceiveReply(0x87, 7);
    c.Advance(20000);
    EXPECT_EQ(c.MessageTexts(), Texts{"データ転送中にエラーが発生しました。"});
    EXPECT_EQ(c.StateFlags(), STATE_1);

    // Disconnect while an abort of the catalogue waits for its ten seconds:
    // its timer cannot bring the controls of a connection back.
    c.ui.ClearMessageBoxes();
    c.Command(IDC_TIMES, CBN_SELCHANGE_CODE);
    c.Command(IDC_ABORT);
    c.ReceiveReply(0x84, 0, Big16(8));
    EXPECT_EQ(c.StateFlags(), STATE_1);
    c.Command(IDC_DISCONNECT);
    c.ReceiveReply(0x11, 0);
    c.Advance(20000);
    EXPECT_TRUE(c.MessageTexts().empty());
    EXPECT_EQ(c.StateFlags(), STATE_0);
}

}  // namespace
