// The nightly pull (download --all-runs --skip-existing) against a qvsim that
// keeps logging: the file still growing is fetched again as it grew, and
// once it stands still, checking it costs one block and leaves nothing on
// disk.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "link/ChannelLinks.h"
#include "link/Protocol.h"
#include "tests/qvlog/ToolRun.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// The file data blocks qvsim sent, from its --record trace
// ("   0.008 -> AA 88 20 04 00 ...").
int FileBlocksSent(const fs::path& record) {
    std::istringstream lines(FileText(record));
    int blocks = 0;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string time, arrow, sync, command, status;
        words >> time >> arrow >> sync >> command >> status;
        if (arrow == "->" && sync == "AA" && command == "88" && !status.empty())
            blocks += (std::stoi(status, nullptr, 16) & BLOCK_KIND_MASK) == BLOCK_KIND_FILE;
    }
    return blocks;
}

TEST(QvlogNightly, FetchesTheGrowingFileAgainAndChecksAStillOneForOneBlock) {
    TempFolder dir;
    const fs::path dump = dir / "dump", got = dir / "got", record = dir / "frames.txt";
    const std::string last = "20240507_143015_00000001.csv";  // the newest run's last file
    ChannelLinkFactory links;
    auto pull = [&](int port) {
        return RunInProcess(links, {"--tcp", "127.0.0.1:" + std::to_string(port), "download", "--all-runs",
                                    "--skip-existing", "--out", got.string(), "--json"});
    };
    {
        SimProcess logging(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--generate", "2,2,3000", "--logging-rate",
                                        "20000", "--log-size", "100000000", "--dump", dump.string()});
        ASSERT_EQ(pull(logging.Port()).json["files"].items.size(), 4u);
        const uintmax_t pulled = fs::file_size(got / last);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // 2000 bytes more
        const ToolRun second = pull(logging.Port());
        EXPECT_EQ(second.exit, 0) << second.err;
        ASSERT_EQ(second.json["files"].items.size(), 1u) << second.out;
        EXPECT_EQ(second.json["files"][0]["name"].text, last);
        EXPECT_GT(fs::file_size(got / last), pulled);
    }
    // Logging stopped: the files as the second pull's requests saw them,
    // served again.
    SimProcess still(QVSIM_PATH, {"--listen", "127.0.0.1:0", "--logs", dump.string(), "--record", record.string()});
    const ToolRun third = pull(still.Port());
    EXPECT_EQ(third.exit, 0) << third.err;
    EXPECT_TRUE(third.json["files"].items.empty()) << third.out;
    EXPECT_EQ(third.json["skipped"].items.size(), 4u);
    EXPECT_EQ(still.Stop(), 0);
    EXPECT_EQ(FileBlocksSent(record), 1) << "the check costs the first block and no more";
    EXPECT_EQ(FileNames(got).size(), 4u) << "nothing beside the four files";
    for (const DumpedFile& file : DumpedFiles(dump))
        EXPECT_EQ(FileBytes(got / file.name), FileBytes(file.source)) << file.name;
}

}  // namespace
