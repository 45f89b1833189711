// The dialog logic with an observer and without: the same frames, controls,
// messages and files, whichever way a download ends; and what the observer
// hears of it, in the order it happens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/Protocol.h"
#include "retrieval/RetrievalObserver.h"
#include "tests/support/ConversationSteps.h"

namespace {

namespace fs = std::filesystem;

class Recorder : public RetrievalObserver {
public:
    std::vector<std::string> heard;

private:
    void Say(const std::string& line) { heard.push_back(line); }
    void FileStarted(const LogSelection& file, const char* path, uint32_t size) override {
        Say("started " + std::to_string(file.fileNumber) + " " + fs::path(path).filename().string() + " " +
            std::to_string(size));
    }
    void BlockWritten(uint32_t received, uint32_t) override { Say("written " + std::to_string(received)); }
    void FileFinished(const char* path, uint32_t bytes) override {
        Say("finished " + fs::path(path).filename().string() + " " + std::to_string(bytes));
    }
    void FileLeft(const char* partial, uint32_t bytes, OutputProblem why) override {
        Say(std::string("left ") + (partial ? fs::path(partial).filename().string() : "none") + " " +
            std::to_string(bytes) + " " + std::to_string(static_cast<int>(why)));
    }
    void BlockRefused() override { Say("refused"); }
    void Ended(EndReason reason, int message, int) override {
        Say("ended " + std::to_string(static_cast<int>(reason)) + " " + std::to_string(message));
    }
};

// All that the user and the instrument can see of a conversation.
struct Seen {
    std::vector<std::string> frames;
    std::vector<std::string> messages;
    std::string flags, byteText, statusText;
    ProgressBarState bar;
    std::vector<std::string> files;  // name and size
    bool operator==(const Seen& o) const {
        return frames == o.frames && messages == o.messages && flags == o.flags && byteText == o.byteText &&
               statusText == o.statusText && bar == o.bar && files == o.files;
    }
};

using Script = void (*)(Conversation&);
const Bytes CONTENT = Pattern(3000, 7);
Bytes Piece(size_t from, size_t to) { return Bytes(CONTENT.begin() + from, CONTENT.begin() + to); }

Seen Converse(Script script, bool badFolder, RetrievalObserver* observer) {
    TempFolder dir;
    Conversation c;
    c.state->observer = observer;
    ReachRun20240507(c, 4);
    c.ui.SetControlText(IDC_SAVE_PATH, badFolder ? (dir.Text() + "/missing").c_str() : dir.Text().c_str());
    c.ui.SelectEntry(IDC_FILES, 2, true);
    c.Command(IDC_DOWNLOAD);
    c.ReceiveReply(CMD_GET_FILE, 0, Big32(3000));
    script(c);
    Seen seen{c.TakeSent(), c.MessageTexts(), c.StateFlags(), c.Text(IDC_BYTE_TEXT), c.Text(IDC_STATUS_TEXT),
              c.ui.control(IDC_BYTE_BAR).barState, {}};
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        if (entry.is_regular_file())
            seen.files.push_back(entry.path().filename().string() + " " + std::to_string(entry.file_size()));
    return seen;
}

TEST(Observer, ChangesNothingAndHearsEveryEnding) {
    const std::string name = OutputName(2);
    const std::string file = "started 2 " + name + " 3000";
    const struct Row {
        const char* what;
        bool badFolder;
        Script script;
        std::vector<std::string> heard;  // after the file's start
    } rows[] = {
        {"finished", false,
         [](Conversation& c) {
             c.ReceiveBlock(BLOCK_KIND_FILE, Piece(0, 1024));
             c.ReceiveBlock(BLOCK_KIND_FILE, Piece(1024, 2048));
             c.ReceiveBlock(BLOCK_KIND_FILE | BLOCK_LAST, Piece(2048, 3000));
         },
         {"written 1024", "written 2048", "written 3000", "finished " + name + " 3000", "ended 0 -1"}},
        {"short", false,
         [](Conversation& c) {
             c.ReceiveBlock(BLOCK_KIND_FILE, Piece(0, 1024));
             c.ReceiveBlock(BLOCK_KIND_FILE | BLOCK_LAST, Piece(1024, 2000));
         },
         {"written 1024", "written 2000", "left " + name + ".partial 2000 7", "refused", "ended 8 2"}},
        {"refused", true, [](Conversation& c) { c.ReceiveBlock(BLOCK_KIND_FILE, Piece(0, 1024)); },
         {"left none 0 1", "refused", "ended 8 3"}},
        {"aborted", false,
         [](Conversation& c) {
             c.ReceiveBlock(BLOCK_KIND_FILE, Piece(0, 1024));
             c.Command(IDC_ABORT);
             c.ReceiveBlock(BLOCK_KIND_FILE, Piece(1024, 2048));
         },
         {"written 1024", "refused", "left " + name + ".partial 1024 0", "ended 9 7"}},
        {"error block", false,
         [](Conversation& c) {
             c.ReceiveBlock(BLOCK_KIND_FILE, Piece(0, 1024));
             c.ReceiveBlock(BLOCK_KIND_FILE | BLOCK_ERROR, Piece(1024, 2048));
         },
         {"written 1024", "left " + name + ".partial 1024 0", "refused", "ended 2 2"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Recorder recorder;
        const Seen without = Converse(row.script, row.badFolder, nullptr);
        const Seen with = Converse(row.script, row.badFolder, &recorder);
        EXPECT_TRUE(with == without);
        EXPECT_FALSE(with.frames.empty());
        std::vector<std::string> expected = {file};
        expected.insert(expected.end(), row.heard.begin(), row.heard.end());
        EXPECT_EQ(recorder.heard, expected);
    }
}

}  // namespace
