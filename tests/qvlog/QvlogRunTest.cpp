// qvlog from its arguments to its exit status, in process, against a
// scripted instrument on a manual clock: what becomes of every file when the
// instrument holds an empty one, announces a wrong size, sends what nobody
// asked for or hangs up, and what qvlog says about it (exit status, message,
// JSON, files).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/qvlog/ToolRun.h"
#include "tests/support/MemoryCatalogue.h"
#include "tests/support/ScriptedLinks.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// The instrument of a case: one log run (2024/05/07 09:05:00) whose files
// may be empty, announced with a size they do not have, interrupted by a
// reply or a block nobody asked for, or cut off by a hang-up after a chosen
// frame. It knows no settings.
struct PeerScript {
    std::vector<uint32_t> sizes;          // the run's files, in bytes
    std::map<int, uint32_t> announced;    // file -> the size its reply gives instead
    // On the first connection only, after the instrument's Nth frame
    // (counted from 1, the connect reply): -1 never.
    int hangUpAfter = -1;
    int unaskedReplyAfter = -1;   // a file-count reply nobody asked for
    int unaskedBlockAfter = -1;   // a date block in the middle of a file
    std::function<void(int frame)> afterFrame;  // any connection
    std::vector<RunStamp> moreRuns;          // beside the run, one 100-byte file each
    std::map<uint8_t, uint8_t> answer;       // command -> the status its request gets instead
    int32_t datesBlockCut = -1;              // the dates block's bytes kept, -1 all
    bool dateTwice = false;                  // the dates block lists its first date again
    int laterHangUpAfter = -1;               // the same, on every later connection
    // First connection: from the Nth frame on, nothing more comes; the Nth
    // itself only in part when `trickled`.
    int silentFrom = -1;
    bool trickled = false;
    int errorBlockAt = -1;  // first connection: frame N comes marked faulty
    bool strayEveryTime = false;  // unaskedBlockAfter on every connection
    int refusedFirst = -1;        // the connect's refusal, with this status, just before its acceptance
};

// The content of file `number`, `size` bytes.
Bytes PeerFileContent(int number, uint32_t size) { return Pattern(size, static_cast<uint8_t>(number)); }

struct Ran : ToolRun {
    int connections = 0;
};

Ran RunTool(const PeerScript& script, std::vector<std::string> args, Language language = Language::ENGLISH) {
    std::vector<Bytes> files;
    for (size_t n = 0; n < script.sizes.size(); ++n)
        files.push_back(PeerFileContent(static_cast<int>(n), script.sizes[n]));
    std::vector<MemoryCatalogue::Entry> runs = {{RUN_0507_0905, files}};
    for (const RunStamp& stamp : script.moreRuns) runs.push_back({stamp, {Pattern(100)}});
    MemoryCatalogue catalogue(runs);
    ScriptedLinks links(catalogue);
    int file = -1, strays = 0, strayConnection = 0;
    links.instrument.fromTool = [&](const FrameImage& frame, int) {
        ScriptedInstrument::Step step;
        // A stray still unrefused when its connection ended is none of the next's.
        if (strayConnection != links.connections) strays = 0;
        const uint8_t command = frame.body.command;
        if (frame.sync == SYNC_REQUEST && command == CMD_GET_FILE && frame.body.length == 9)
            file = frame.body.data[7] << 8 | frame.body.data[8];
        const auto status = script.answer.find(command);
        const bool settings = command >= CMD_SET_LOG_ENABLE && command <= CMD_GET_LOG_SETTING;
        if (frame.sync == SYNC_REQUEST && (settings || status != script.answer.end())) {
            step.swallow = true;
            step.inject = WireFrame(SYNC_RESPONSE, command, settings ? STATUS_UNSUPPORTED : status->second);
        }
        if (frame.sync == SYNC_REQUEST && command == CMD_CONNECT && script.refusedFirst >= 0)
            step.inject = WireFrame(SYNC_RESPONSE, command, static_cast<uint8_t>(script.refusedFirst));
        // The refusal of a stray block does not cancel the file.
        if (frame.sync == SYNC_RESPONSE && command == CMD_DATA_BLOCK && frame.body.status == ACK_CANCEL &&
            strays > 0) {
            --strays;
            step.swallow = true;
        }
        return step;
    };
    links.instrument.fromInstrument = [&](const FrameImage& frame, int number) {
        ScriptedInstrument::Step step;
        const auto lie = script.announced.find(file);
        if (frame.sync == SYNC_RESPONSE && frame.body.command == CMD_GET_FILE && frame.body.status == STATUS_OK &&
            lie != script.announced.end()) {
            step.swallow = true;
            step.inject = WireFrame(SYNC_RESPONSE, CMD_GET_FILE, STATUS_OK, Big32(lie->second));
        }
        const bool dates = frame.sync == SYNC_REQUEST && frame.body.command == CMD_DATA_BLOCK &&
                           (frame.body.status & BLOCK_KIND_MASK) == BLOCK_KIND_DATES;
        if (dates && script.datesBlockCut >= 0) {
            step.swallow = true;
            step.inject = WireFrame(SYNC_REQUEST, CMD_DATA_BLOCK, frame.body.status,
                                    Bytes(frame.body.data, frame.body.data + script.datesBlockCut));
        }
        if (dates && script.dateTwice) {
            Bytes twice(frame.body.data, frame.body.data + frame.body.length);
            twice.insert(twice.end(), frame.body.data, frame.body.data + 4);
            step.swallow = true;
            step.inject = WireFrame(SYNC_REQUEST, CMD_DATA_BLOCK, frame.body.status, twice);
        }
        if (script.afterFrame) script.afterFrame(number);
        if (number == script.unaskedBlockAfter && (links.connections == 1 || script.strayEveryTime)) {
            ++strays;
            strayConnection = links.connections;
            step.inject = WireFrame(SYNC_REQUEST, CMD_DATA_BLOCK, 0x00, {0x07, 0xE8, 0x05, 0x08});
        }
        if (links.connections != 1) {
            step.hangUp = number == script.laterHangUpAfter;
            return step;
        }
        if (number == script.errorBlockAt) {
            step.swallow = true;
            step.inject = WireFrame(frame.sync, frame.body.command, frame.body.status | BLOCK_ERROR,
                                    Bytes(frame.body.data, frame.body.data + frame.body.length));
        }
        if (script.silentFrom >= 0 && number >= script.silentFrom) {
            step.swallow = true;
            if (script.trickled && number == script.silentFrom) {
                const Bytes whole = WireFrame(frame.sync, frame.body.command, frame.body.status,
                                              Bytes(frame.body.data, frame.body.data + frame.body.length));
                step.inject = Bytes(whole.begin(), whole.begin() + 100);
            }
        }
        if (number == script.unaskedReplyAfter)
            step.inject = WireFrame(SYNC_RESPONSE, CMD_GET_FILE_COUNT, 0, {0x00, 0x09});
        step.hangUp = number == script.hangUpAfter;
        return step;
    };
    args.insert(args.begin(), {"--tcp", "127.0.0.1"});
    Ran ran;
    static_cast<ToolRun&>(ran) = RunInProcess(links, args, language);
    ran.connections = links.connections;
    return ran;
}

struct Case {
    const char* what;
    PeerScript script;
    std::vector<std::string> args;
    int exit;
    int message;                // catalogue number in the JSON error, -1 none
    const char* cause;          // the JSON error's cause, "" none
    std::vector<int> complete;  // files on disk under their own name, whole
    int partial;                // the file left as NAME.partial, -1 none
    uint32_t partialSize;
    size_t attempts;            // failed attempts that were retried
};

std::vector<Case> Cases() {
    std::vector<Case> cases;
    PeerScript empty;
    empty.sizes = {3000, 0, 2500};
    cases.push_back({"an empty file in the middle of the run", empty, {}, 0, -1, "", {0, 1, 2}, -1, 0, 0});

    PeerScript mismatch;
    mismatch.sizes = {3000, 2000, 3000};
    mismatch.announced = {{1, 3000}};
    cases.push_back({"a file shorter than announced", mismatch, {"--retries", "1"}, 1, 2, "size mismatch", {0}, 1, 2000, 1});

    PeerScript unaskedReply;
    unaskedReply.sizes = {3000, 3000};
    unaskedReply.unaskedReplyAfter = 8;  // a file-count reply amid file 0's blocks
    cases.push_back({"a reply nobody asked for", unaskedReply, {}, 0, -1, "", {0, 1}, -1, 0, 0});

    PeerScript unaskedBlock;
    unaskedBlock.sizes = {3000, 3000};
    unaskedBlock.unaskedBlockAfter = 8;  // a date block amid file 0's blocks: refused
    cases.push_back({"a block refused in a file, fetched again", unaskedBlock, {}, 0, -1, "", {0, 1}, -1, 0, 1});

    // Frames 1-6 connect and list; 7 is file 0's reply, 8-10 its blocks,
    // 11 file 1's reply, 12 its first block.
    PeerScript hangUp;
    hangUp.sizes = {3000, 3000, 3000};
    hangUp.hangUpAfter = 12;
    cases.push_back({"a hang-up, then a new connection", hangUp, {}, 0, -1, "", {0, 1, 2}, -1, 0, 1});
    cases.push_back({"a hang-up with no retries", hangUp, {"--retries", "0"}, 3, 1, "connection lost", {0}, 1, 1024, 0});
    return cases;
}

// A file finished with a block refused is not done: no attempt gets
// further, so the retries run out instead of going on for ever; the file is
// left as NAME.partial.
TEST(QvlogRun, ARefusedBlockOnEveryConnectionEndsTheRetries) {
    PeerScript stray;
    stray.sizes = {3000, 3000};
    stray.unaskedBlockAfter = 8;
    stray.strayEveryTime = true;
    TempFolder dir;
    const Ran ran = RunTool(stray, {"download", "--out", dir.Path().string(), "--json", "--retries", "2"});
    EXPECT_EQ(ran.exit, 1) << ran.err;
    EXPECT_EQ(ran.json["error"]["cause"].text, "block refused") << ran.err;
    EXPECT_EQ(ran.waits, (std::vector<int>{1, 2}));
    EXPECT_TRUE(ran.json["files"].items.empty());
    // Not taken for a finished file by the next --skip-existing.
    const fs::path partial = dir.Path() / (OutputName(0) + ".partial");
    EXPECT_FALSE(fs::exists(dir.Path() / OutputName(0)));
    EXPECT_EQ(ran.json["partial"].text, partial.string());
    EXPECT_EQ(FileBytes(partial), PeerFileContent(0, 3000));
}

TEST(QvlogRun, TellsWhatBecameOfEveryFile) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        TempFolder dir;
        std::vector<std::string> args = {"download", "--out", dir.Path().string(), "--json"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Ran ran = RunTool(c.script, args);
        EXPECT_EQ(ran.exit, c.exit) << ran.err;
        const JsonValue& j = ran.json;
        EXPECT_EQ(j["ok"].boolean, c.exit == 0);
        EXPECT_EQ(j["exit"].Int(), c.exit);
        EXPECT_EQ(j["folder"].text, dir.Path().string());
        if (c.message >= 0) {
            EXPECT_EQ(j["error"]["message"].Int(), c.message);
            EXPECT_FALSE(j["error"]["text"].text.empty());
            EXPECT_EQ(j["error"]["cause"].text, c.cause);
        } else {
            EXPECT_EQ(j["error"].kind, JsonValue::NUL) << ran.out;
        }
        EXPECT_EQ(j["attempts"].items.size(), c.attempts);
        EXPECT_EQ(ran.waits, std::vector<int>(c.attempts, 1)) << "the first retry waits 1 s";

        std::vector<std::string> listed;
        for (const JsonValue& file : j["files"].items) {
            listed.push_back(file["name"].text);
            EXPECT_EQ(file["path"].text, (dir.Path() / file["name"].text).string());
        }
        std::vector<std::string> expected;
        for (int n : c.complete) {
            expected.push_back(OutputName(n));
            const fs::path path = dir.Path() / OutputName(n);
            EXPECT_EQ(FileBytes(path), PeerFileContent(n, c.script.sizes[static_cast<size_t>(n)]))
                << OutputName(n) << " is not the instrument's file";
            EXPECT_FALSE(fs::exists(path.string() + ".partial")) << "a .partial beside a whole " << OutputName(n);
        }
        EXPECT_EQ(listed, expected);
        for (size_t n = 0; n < c.script.sizes.size(); ++n) {
            const bool done = std::find(c.complete.begin(), c.complete.end(), static_cast<int>(n)) != c.complete.end();
            if (!done) {
                EXPECT_FALSE(fs::exists(dir.Path() / OutputName(static_cast<int>(n)))) << OutputName(static_cast<int>(n));
            }
        }
        if (c.partial >= 0) {
            const fs::path partial = dir.Path() / (OutputName(c.partial) + ".partial");
            EXPECT_EQ(j["partial"].text, partial.string());
            EXPECT_EQ(fs::file_size(partial), c.partialSize);
            EXPECT_NE(ran.err.find("partial file left: " + partial.string()), std::string::npos) << ran.err;
        } else {
            EXPECT_EQ(j["partial"].kind, JsonValue::NUL);
        }
    }
}

// What the end of a download says, on stderr and in JSON, after retries,
// in either language, of a frame cut off mid-way and of a date listed twice.
TEST(QvlogRun, EndsWithWhatWasFetchedAndWhatWasLeft) {
    struct Row {
        const char* what;
        PeerScript script;
        std::vector<std::string> args;
        Language language;
        int exit;
        std::vector<int> partials;  // files left as NAME.partial, in order
        size_t runs;
        const char* summary;        // the last line on stderr
        std::vector<std::string> said, notSaid;
        std::vector<std::pair<int, uint32_t>> held;  // in the folder before: file, bytes of it
    };
    PeerScript killed;  // frame 12 is file 1's first block
    killed.sizes = {3000, 3000, 3000};
    killed.hangUpAfter = 12;
    killed.laterHangUpAfter = 1;
    PeerScript faulty;  // frame 8 is file 0's first block
    faulty.sizes = {3000, 3000};
    faulty.errorBlockAt = 8;
    PeerScript trickle = faulty;
    trickle.errorBlockAt = -1;
    trickle.silentFrom = 8;
    trickle.trickled = true;
    PeerScript twice;
    twice.sizes = {3000, 3000};
    twice.dateTwice = true;
    PeerScript cutWhilePlanning;  // frame 7 answers the choice of the second date
    cutWhilePlanning.sizes = {3000, 3000};
    cutWhilePlanning.moreRuns = {RUN_0509_0800};
    cutWhilePlanning.hangUpAfter = 7;
    PeerScript refusedThenGone;  // frame 8 is file 0's first block
    refusedThenGone.sizes = {3000, 3000};
    refusedThenGone.unaskedBlockAfter = 8;
    refusedThenGone.laterHangUpAfter = 1;
    PeerScript refusedInCheck = refusedThenGone;  // frame 8 is file 1's first block, the check's
    refusedInCheck.laterHangUpAfter = -1;
    const std::vector<Row> rows = {
        {"killed mid-file, then gone: the first attempt's .partial", killed, {}, Language::ENGLISH, 3, {1}, 1,
         "1 files fetched, 0 already complete, 1 .partial files left", {"attempt 2 failed (connection lost"}, {}, {}},
        {"a faulty block, in Japanese: the cause in Japanese", faulty, {}, Language::JAPANESE, 0, {}, 1,
         u8"取得 2 ファイル、取得済み 0 ファイル、途中まで (.partial) 0 ファイル", {u8"1回目が失敗しました (転送エラー)。"},
         {"(no response", "(transfer error"}, {}},
        {"a frame that never completes", trickle, {}, Language::ENGLISH, 0, {}, 1,
         "2 files fetched, 0 already complete, 0 .partial files left", {"never made a whole frame"},
         {"nothing came"}, {}},
        {"a date listed twice", twice, {"--all-runs"}, Language::ENGLISH, 0, {}, 1,
         "2 files fetched, 0 already complete, 0 .partial files left", {}, {}, {}},
        {"cut off while planning every run: each run planned once", cutWhilePlanning, {"--all-runs"},
         Language::ENGLISH, 0, {}, 2, "3 files fetched, 0 already complete, 0 .partial files left", {}, {}, {}},
        {"a block refused in the file checked for growth: fetched again, not taken for the same size",
         refusedInCheck, {"--skip-existing"}, Language::ENGLISH, 0, {}, 1,
         "1 files fetched, 1 already complete, 0 .partial files left", {}, {}, {{0, 3000}, {1, 1000}}},
        {"a block refused, then gone: its file set aside", refusedThenGone, {}, Language::ENGLISH, 3, {0}, 1,
         "0 files fetched, 0 already complete, 1 .partial files left", {"attempt 2 failed (connection lost"}, {}, {}},
        {"nothing fetched", twice, {"--date", "2024/01/01"}, Language::ENGLISH, 2, {}, 0,
         "0 files fetched, 0 already complete, 0 .partial files left", {}, {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder dir;
        for (const auto& [number, size] : row.held)
            WriteBytes(dir.Path() / OutputName(number), PeerFileContent(number, size));
        std::vector<std::string> args = {"download", "--out", dir.Path().string(), "--json"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const Ran ran = RunTool(row.script, args, row.language);
        EXPECT_EQ(ran.exit, row.exit) << ran.err;
        const JsonValue& j = ran.json;
        EXPECT_EQ(j["runs"].items.size(), row.runs) << ran.out;
        std::set<std::string> names;
        for (const JsonValue& file : j["files"].items)
            EXPECT_TRUE(names.insert(file["name"].text).second) << file["name"].text << " listed twice";
        ASSERT_EQ(j["partials"].items.size(), row.partials.size()) << ran.out;
        for (size_t i = 0; i < row.partials.size(); ++i) {
            const fs::path partial = dir.Path() / (OutputName(row.partials[i]) + ".partial");
            EXPECT_TRUE(fs::exists(partial));
            EXPECT_EQ(j["partials"][i].text, partial.string());
            EXPECT_NE(ran.err.find("partial file left: " + partial.string() + "\n"), std::string::npos) << ran.err;
        }
        EXPECT_EQ(j["partial"].text, row.partials.empty() ? "" : j["partials"][row.partials.size() - 1].text);
        const std::string last = "qvlog: " + std::string(row.summary) + "\n";
        EXPECT_EQ(ran.err.substr(ran.err.size() - std::min(ran.err.size(), last.size())), last) << ran.err;
        for (const std::string& text : row.said) EXPECT_NE(ran.err.find(text), std::string::npos) << ran.err;
        for (const std::string& text : row.notSaid) EXPECT_EQ(ran.err.find(text), std::string::npos) << ran.err;
    }
}

TEST(QvlogRun, NumbersAndPlacesInTheFailure) {
    TempFolder dir;
    PeerScript mismatch;
    mismatch.sizes = {3000, 2000};
    mismatch.announced = {{1, 3000}};
    Ran ran = RunTool(mismatch, {"download", "--out", dir.Path().string(), "--retries", "0", "--json"});
    EXPECT_EQ(ran.json["error"]["received"].Int(), 2000);
    EXPECT_EQ(ran.json["error"]["announced"].Int(), 3000);
    EXPECT_NE(ran.err.find(OutputName(1) + ": received 2000 bytes, the instrument announced 3000"), std::string::npos)
        << ran.err;

    // The empty file is listed as such, and its size in the files is 0.
    PeerScript empty;
    empty.sizes = {0, 10};
    ran = RunTool(empty, {"download", "--out", dir.Path().string(), "--json"});
    ASSERT_EQ(ran.json["empty"].items.size(), 1u);
    EXPECT_EQ(ran.json["empty"][0]["name"].text, OutputName(0));
    EXPECT_EQ(ran.json["files"][0]["size"].Int(), 0);
    EXPECT_EQ(fs::file_size(dir.Path() / OutputName(0)), 0u);

    // The folder goes away under the dialog: the file that cannot be made
    // is named, with the system's reason.
    const fs::path gone = dir.Path() / "gone";
    PeerScript vanishing;
    vanishing.sizes = {3000};
    vanishing.afterFrame = [&gone](int frame) {
        if (frame == 7) fs::remove_all(gone);  // as the reply to the file request leaves
    };
    ran = RunTool(vanishing, {"download", "--out", gone.string(), "--json"});
    EXPECT_EQ(ran.exit, 4);
    EXPECT_EQ(ran.json["error"]["message"].Int(), 3);
    EXPECT_EQ(ran.json["error"]["cause"].text, "no such folder");
    EXPECT_EQ(ran.json["error"]["path"].text, (gone / OutputName(0)).string());
    EXPECT_EQ(ran.connections, 1) << "a file that cannot be written is not retried";

    // A folder that cannot be made is refused before any connection.
    WriteBytes(dir.Path() / "plain", Bytes{1});
    ran = RunTool(vanishing, {"download", "--out", (dir.Path() / "plain" / "logs").string(), "--json"});
    EXPECT_EQ(ran.exit, 4);
    EXPECT_EQ(ran.json["error"]["cause"].text, "not a folder");
    EXPECT_EQ(ran.connections, 0);
}

TEST(QvlogRun, SkipsOnlyWhatIsWholeAndOnlyThat) {
    TempFolder dir;
    PeerScript script;
    script.sizes = {3000, 3000, 3000, 3000};
    // Files 0 and 3 whole; file 1 left cut short by an earlier run; file 2
    // an older version whose fetch again, after it grew, was cut short.
    for (int n : {0, 3}) WriteBytes(dir.Path() / OutputName(n), PeerFileContent(n, 3000));
    WriteBytes(dir.Path() / (OutputName(1) + ".partial"), Bytes(100, 'x'));
    WriteBytes(dir.Path() / OutputName(2), Bytes(1000, 'y'));
    WriteBytes(dir.Path() / (OutputName(2) + ".partial"), Bytes(100, 'x'));
    const Ran ran = RunTool(script, {"download", "--out", dir.Path().string(), "--skip-existing", "--json"});
    EXPECT_EQ(ran.exit, 0) << ran.err;
    ASSERT_EQ(ran.json["skipped"].items.size(), 2u);
    EXPECT_EQ(ran.json["skipped"][0]["name"].text, OutputName(0));
    ASSERT_EQ(ran.json["files"].items.size(), 2u);
    for (int n : {1, 2}) {
        EXPECT_EQ(ran.json["files"][static_cast<size_t>(n - 1)]["name"].text, OutputName(n));
        EXPECT_EQ(FileBytes(dir.Path() / OutputName(n)), PeerFileContent(n, 3000)) << n;
        EXPECT_FALSE(fs::exists(dir.Path() / (OutputName(n) + ".partial"))) << "the leftover outlived the whole " << n;
    }
}

// The nightly pull: the newest run's highest file held is where the last
// pull ended. It is fetched again when the instrument's size for it changed,
// also once the log went on into a new file, and left alone otherwise.
TEST(QvlogRun, SkipExistingFetchesAgainWhereTheLastPullEnded) {
    TempFolder dir;
    const std::vector<std::string> args = {"download", "--all-runs", "--out", dir.Text(), "--skip-existing"};
    PeerScript before, after;
    before.sizes = {3000, 1000};
    after.sizes = {3000, 3000, 500};  // file 1 grew to the log file size, file 2 goes on
    ASSERT_EQ(RunTool(before, args).exit, 0);

    Ran ran = RunTool(after, args);
    EXPECT_EQ(ran.exit, 0) << ran.err;
    EXPECT_NE(ran.err.find(OutputName(0) + " skipped (exists)"), std::string::npos) << ran.err;
    EXPECT_NE(ran.err.find(OutputName(1) + " fetched again: the instrument holds 3000 bytes, the folder had 1000"),
              std::string::npos)
        << ran.err;
    EXPECT_EQ(FileBytes(dir.Path() / OutputName(1)), PeerFileContent(1, 3000));

    ran = RunTool(after, args, Language::JAPANESE);
    EXPECT_EQ(ran.exit, 0) << ran.err;
    EXPECT_NE(ran.err.find(OutputName(2) + u8" は計測器上と同じ 500 バイトなので飛ばしました"), std::string::npos)
        << ran.err;
    EXPECT_EQ(ran.err.find(u8"完了"), std::string::npos) << "nothing fetched: " << ran.err;
    EXPECT_EQ(FileNames(dir.Path()), (std::vector<std::string>{OutputName(0), OutputName(1), OutputName(2)}));
}

// A catalogue the dialog cannot follow: it asks for another run than the one
// listed, or drops a record, without a word. qvlog fetches the rest and fails.
TEST(QvlogRun, FailsOnACatalogueTheDialogCannotFollow) {
    PeerScript month, year, minute, cut, status, first;
    month.moreRuns = {{2024, 100, 7, 9, 0, 0}};
    year.moreRuns = {{10000, 5, 7, 9, 0, 0}};
    minute.moreRuns = {{2024, 5, 7, 12, 131, 5}};
    cut.moreRuns = {RUN_0509_0800, {2024, 5, 10, 8, 0, 0}};
    cut.datesBlockCut = 10;  // two dates and half of the third
    status.answer = {{CMD_GET_FILE, 7}};
    first.moreRuns = {{1999, 100, 1, 8, 0, 0}};  // listed first: the dialog asks about it at once
    first.answer = {{CMD_GET_TIMES, 7}};
    struct Row {
        const char* what;
        PeerScript script;
        const char* command;
        const char* cause;
        std::string detail;  // part of the error's detail
        size_t fetched;
    };
    const std::vector<Row> rows = {
        {"month 100", month, "download", "catalogue entry out of range", "lists 2024/100/07,", 1},
        {"month 100, listed", month, "list", "catalogue entry out of range", "lists 2024/100/07,", 0},
        {"year 10000", year, "download", "catalogue entry out of range", "lists 10000/05/07,", 1},
        {"start time 12:131:05", minute, "download", "catalogue entry out of range", "2024/05/07 12:131:05,", 1},
        {"a dates block of 10 bytes", cut, "download", "catalogue record cut short", "(1 lost)", 2},
        {"status 7", status, "download", "transfer error", "the instrument answered status 7", 0},
        {"status 7 about a first run of month 100", first, "download", "catalogue entry out of range",
         "lists 1999/100/01,", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder dir;
        std::vector<std::string> args = {row.command, "--retries", "0", "--json"};
        if (std::string(row.command) == "download") args.insert(args.end(), {"--all-runs", "--out", dir.Text()});
        PeerScript script = row.script;
        script.sizes = {3000};
        const Ran ran = RunTool(script, args);
        EXPECT_EQ(ran.exit, 1) << ran.err;
        EXPECT_EQ(ran.json["error"]["cause"].text, row.cause);
        const std::string detail = ran.json["error"]["detail"].text;
        EXPECT_NE(detail.find(row.detail), std::string::npos) << detail;
        EXPECT_EQ(ran.json["files"].items.size(), row.fetched);
        EXPECT_EQ(ran.connections, 1) << "not retried";
    }
}

// What connecting ends with: a refusal ends the attempt only when no
// acceptance follows it on the line; the log settings are still reached
// after a catalogue that never comes, as the dialog's user reaches them
// once the catalogue read is aborted.
TEST(QvlogRun, ConnectsAsTheDialogsUserWould) {
    PeerScript refused, accepted, also, noDates;
    refused.answer = {{CMD_CONNECT, 1}};
    accepted.refusedFirst = 1;
    also.answer = {{CMD_CONNECT, 5}};
    noDates.silentFrom = 3;  // the dates reply comes, its block never does
    const struct {
        const char* what;
        PeerScript script;
        std::vector<std::string> args;
        int exit;
        const char* cause;
    } rows[] = {
        {"refused", refused, {"list"}, 1, "connection not accepted"},
        {"refused, then accepted at once", accepted, {"list"}, 0, ""},
        {"accepted with status 5", also, {"list"}, 0, ""},
        {"no dates, settings read", noDates, {"settings", "get"}, 1, "settings not read"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        PeerScript script = row.script;
        script.sizes = {3000};
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {"--json", "--retries", "0"});
        const Ran ran = RunTool(script, args);
        EXPECT_EQ(ran.exit, row.exit) << ran.err;
        EXPECT_EQ(ran.json["error"]["cause"].text, row.cause);
        EXPECT_EQ(ran.connections, 1);
    }
}

TEST(QvlogRun, SpeaksTheUsersLanguage) {
    TempFolder dir;
    PeerScript hangUp;
    hangUp.sizes = {3000};
    hangUp.hangUpAfter = 8;
    const std::vector<std::string> args = {"download", "--out", dir.Path().string(), "--retries", "0"};
    const std::string catalogue = u8"応答がありません。計測器から切断しました。";

    const Ran english = RunTool(hangUp, args);
    EXPECT_EQ(english.exit, 3);
    EXPECT_NE(english.err.find(catalogue), std::string::npos) << english.err;
    EXPECT_NE(english.err.find("No response. Disconnected from the instrument."), std::string::npos) << english.err;
    EXPECT_NE(english.err.find("connection lost"), std::string::npos) << english.err;

    const Ran japanese = RunTool(hangUp, args, Language::JAPANESE);
    EXPECT_EQ(japanese.exit, 3);
    EXPECT_NE(japanese.err.find(catalogue), std::string::npos) << japanese.err;
    EXPECT_EQ(japanese.err.find("No response."), std::string::npos) << "no English line in a Japanese locale";
    EXPECT_NE(japanese.err.find(u8"接続が切れました"), std::string::npos) << japanese.err;

    // Usage errors too, and in JSON when asked.
    const Ran usage = RunTool(hangUp, {"settings", "set", "--size-kb", "5", "--json"}, Language::JAPANESE);
    EXPECT_EQ(usage.exit, 2);
    EXPECT_EQ(usage.json["error"]["cause"].text, "usage");
    EXPECT_NE(usage.json["error"]["detail"].text.find(u8"10から204800"), std::string::npos) << usage.out;
    EXPECT_EQ(usage.connections, 0);
}

TEST(QvlogRun, SettingsAndListAnswerInJson) {
    PeerScript script;
    script.sizes = {10, 20, 30};
    script.dateTwice = true;  // one run still
    Ran ran = RunTool(script, {"list", "--json"});
    EXPECT_EQ(ran.exit, 0) << ran.err;
    ASSERT_EQ(ran.json["runs"].items.size(), 1u);
    EXPECT_EQ(ran.json["runs"][0]["date"].text, "2024/05/07");
    EXPECT_EQ(ran.json["runs"][0]["time"].text, "09:05:00");
    EXPECT_EQ(ran.json["runs"][0]["files"].Int(), 3);

    // The scripted instrument knows no settings: the refusal, in JSON.
    ran = RunTool(script, {"settings", "set", "--collect", "on", "--json"});
    EXPECT_EQ(ran.exit, 1);
    EXPECT_EQ(ran.json["command"].text, "settings set");
    EXPECT_EQ(ran.json["error"]["message"].Int(), 4);
    EXPECT_EQ(ran.connections, 1) << "the instrument's refusal is not retried";
}

}  // namespace
