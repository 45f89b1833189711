// The generated catalogue, the folder catalogue and the --dump layout that
// joins them.
#include "tools/qvsim/Catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "tests/support/TempFolder.h"
#include "tools/qvsim/CsvLog.h"
#include "tools/qvsim/FolderCatalogue.h"
#include "tools/qvsim/GeneratedCatalogue.h"

namespace qvsim_test {
namespace {

using qvsim::Catalogue;
using qvsim::FolderCatalogue;
using qvsim::GeneratedCatalogue;
using qvsim::RunStamp;

Bytes ReadFile(Catalogue& c, size_t run, uint16_t file) {
    Bytes out(c.FileSize(run, file));
    EXPECT_TRUE(c.Read(run, file, 0, out.data(), static_cast<uint32_t>(out.size())));
    return out;
}

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

TEST(RunFolder, NamesParseOnlyWhenTheyAreRealStamps) {
    RunStamp s{};
    ASSERT_TRUE(qvsim::ParseRunFolder("20240507_090500", s));
    EXPECT_EQ(qvsim::RunFolderName(s), "20240507_090500");
    EXPECT_EQ(s.year, 2024);
    EXPECT_EQ(s.second, 0);
    ASSERT_TRUE(qvsim::ParseRunFolder("19991231_235959", s));
    EXPECT_EQ(qvsim::RunFolderName(s), "19991231_235959");
    for (const char* bad : {"20240507-090500", "2024050_090500", "20240507_0905000", "20241307_090500",
                            "20240500_090500", "20240507_240000", "20240507_096000", "20240507_090560",
                            "2024O507_090500", ""})
        EXPECT_FALSE(qvsim::ParseRunFolder(bad, s)) << bad;
    EXPECT_EQ(qvsim::LogFileName(3), "00000003.csv");
}

TEST(GeneratedCatalogue, RunsSpreadOverDatesWithDistinctStartTimes) {
    GeneratedCatalogue c(5, 4, 3000);
    ASSERT_EQ(c.RunCount(), 5u);
    EXPECT_EQ(qvsim::RunFolderName(c.Run(0)), "20240507_090500");
    EXPECT_EQ(c.DateCount(), 3u);
    std::set<std::string> names;
    for (size_t i = 0; i < c.RunCount(); ++i) {
        names.insert(qvsim::RunFolderName(c.Run(i)).substr(9));
        EXPECT_EQ(c.FileCount(i), 4);
        if (i) {
            EXPECT_TRUE(c.Run(i - 1) < c.Run(i)) << "runs in order";
        }
    }
    EXPECT_EQ(names.size(), 5u) << "start times differ";
    size_t first, end;
    ASSERT_TRUE(c.FindDate(2024, 5, 8, first, end));
    EXPECT_EQ(end - first, 2u);
    EXPECT_FALSE(c.FindDate(2024, 5, 6, first, end));
    // Two runs a day carry the dates across month ends.
    GeneratedCatalogue many(60, 0, 0);
    EXPECT_EQ(qvsim::RunFolderName(many.Run(59)).substr(0, 8), "20240605");
}

TEST(GeneratedCatalogue, FilesAreExactSizedPlausibleCsvAndRepeat) {
    GeneratedCatalogue c(3, 4, 3000);
    const Bytes file = ReadFile(c, 1, 2);
    ASSERT_EQ(file.size(), 3000u);
    const std::string text = Text(file);
    EXPECT_EQ(text.substr(0, qvsim::CSV_HEADER_SIZE), qvsim::CSV_HEADER);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "the cut row keeps its line end";
    // Rows: a time stamp a second apart, then three numbers.
    const std::string row1 = text.substr(qvsim::CSV_HEADER_SIZE, qvsim::CSV_ROW_SIZE);
    const std::string row2 = text.substr(qvsim::CSV_HEADER_SIZE + qvsim::CSV_ROW_SIZE, qvsim::CSV_ROW_SIZE);
    EXPECT_EQ(row1.substr(0, 11), "2024/05/07 ") << row1;
    EXPECT_EQ(row1[19], ',');
    EXPECT_EQ(row1.substr(qvsim::CSV_ROW_SIZE - 2), "\r\n");
    const int s1 = std::stoi(row1.substr(17, 2)), s2 = std::stoi(row2.substr(17, 2));
    EXPECT_EQ((s1 + 1) % 60, s2) << row1 << row2;
    const double temperature = std::stod(row1.substr(20, 5));
    EXPECT_GT(temperature, 15.0);
    EXPECT_LT(temperature, 30.0);
    // File 2 of run 1 (14:30:15) continues where file 1 left off.
    const Bytes previous = ReadFile(c, 1, 1);
    const std::string lastRow = Text(previous).substr(
        qvsim::CSV_HEADER_SIZE + (previous.size() - qvsim::CSV_HEADER_SIZE) / qvsim::CSV_ROW_SIZE *
                                     qvsim::CSV_ROW_SIZE, 19);
    EXPECT_EQ(lastRow.substr(0, 10), "2024/05/07");
    EXPECT_LT(lastRow, row1.substr(0, 19));

    GeneratedCatalogue same(3, 4, 3000);
    EXPECT_EQ(ReadFile(same, 1, 2), file);
    GeneratedCatalogue other(3, 4, 3001);
    const Bytes longer = ReadFile(other, 1, 2);
    EXPECT_NE(Bytes(longer.begin(), longer.begin() + 3000), file) << "other sizes, other values";
    EXPECT_NE(ReadFile(c, 1, 3), file) << "files of a run differ";
}

TEST(GeneratedCatalogue, EachInstrumentOfAFleetStartsLaterWithRowsOfItsOwn) {
    GeneratedCatalogue first(2, 1, 3000), last(2, 1, 3000, 256);
    EXPECT_EQ(qvsim::RunFolderName(last.Run(0)), "20240507_132000") << "255 minutes later, still the morning's";
    EXPECT_EQ(qvsim::RunFolderName(last.Run(1)), "20240507_184515");
    uint8_t a[3000], c[3000];
    ASSERT_TRUE(first.Read(0, 0, 0, a, sizeof a) && last.Read(0, 0, 0, c, sizeof c));
    EXPECT_NE(std::memcmp(a + 100, c + 100, sizeof a - 100), 0) << "rows of its own";
}

TEST(GeneratedCatalogue, ReadingAnyRangeGivesTheSameBytes) {
    for (uint32_t size : {0u, 1u, 10u, 52u, 53u, 54u, 92u, 3000u, 100000u}) {
        GeneratedCatalogue c(2, 2, size);
        const Bytes whole = ReadFile(c, 1, 1);
        ASSERT_EQ(whole.size(), size);
        for (uint32_t step : {1u, 7u, 39u, 1000u}) {
            Bytes pieces;
            for (uint32_t at = 0; at < size; at += step) {
                const uint32_t n = std::min(step, size - at);
                Bytes part(n);
                ASSERT_TRUE(c.Read(1, 1, at, part.data(), n));
                Append(pieces, part);
            }
            EXPECT_EQ(pieces, whole) << "size " << size << " step " << step;
        }
        uint8_t byte;
        EXPECT_FALSE(c.Read(1, 1, size, &byte, 1)) << "past the end";
    }
}

TEST(FolderCatalogue, DumpedCatalogueReadsBackByteForByte) {
    TempFolder dir;
    GeneratedCatalogue generated(3, 4, 3000);
    std::string error;
    ASSERT_TRUE(qvsim::DumpCatalogue(generated, dir.Path().string(), error)) << error;
    EXPECT_EQ(FileBytes(dir.Path() / "20240507_143015" / "00000002.csv"), ReadFile(generated, 1, 2));

    std::vector<std::string> skipped;
    auto loaded = FolderCatalogue::Load(dir.Path().string(), error, &skipped);
    ASSERT_TRUE(loaded) << error;
    EXPECT_TRUE(skipped.empty());
    ASSERT_EQ(loaded->RunCount(), generated.RunCount());
    EXPECT_EQ(loaded->DateCount(), generated.DateCount());
    for (size_t run = 0; run < generated.RunCount(); ++run) {
        EXPECT_TRUE(loaded->Run(run) == generated.Run(run));
        ASSERT_EQ(loaded->FileCount(run), generated.FileCount(run));
        for (uint16_t f = 0; f < generated.FileCount(run); ++f)
            EXPECT_EQ(ReadFile(*loaded, run, f), ReadFile(generated, run, f)) << run << "/" << f;
    }
    // Reading back and forth between files reopens them as needed.
    Bytes part(10);
    ASSERT_TRUE(loaded->Read(2, 3, 2990, part.data(), 10));
    const Bytes last = ReadFile(generated, 2, 3);
    EXPECT_EQ(part, Bytes(last.end() - 10, last.end()));
}

TEST(FolderCatalogue, LayoutRulesAndVanishingFiles) {
    TempFolder dir;
    WriteBytes(dir.Path() / "20240509_080000" / "00000000.csv", Hex("41 42"));
    WriteBytes(dir.Path() / "20240509_080000" / "00000001.csv", {});
    WriteBytes(dir.Path() / "20240509_080000" / "00000003.csv", Hex("43"));  // after a gap
    WriteBytes(dir.Path() / "20240507_090500" / "00000000.csv", Hex("44 45 46"));
    std::filesystem::create_directories(dir.Path() / "20240508_120000");    // no files
    std::filesystem::create_directories(dir.Path() / "notes");
    std::filesystem::create_directories(dir.Path() / "20241340_120000");
    WriteBytes(dir.Path() / "20240510_100000", Hex("00"));  // a file, not a folder

    std::string error;
    std::vector<std::string> skipped;
    auto c = FolderCatalogue::Load(dir.Path().string(), error, &skipped);
    ASSERT_TRUE(c) << error;
    EXPECT_EQ(skipped.size(), 3u);
    ASSERT_EQ(c->RunCount(), 3u);
    EXPECT_EQ(qvsim::RunFolderName(c->Run(0)), "20240507_090500");
    EXPECT_EQ(c->FileCount(0), 1);
    EXPECT_EQ(c->FileCount(1), 0);
    EXPECT_EQ(c->FileCount(2), 2) << "the count stops at the first missing number";
    EXPECT_EQ(c->FileSize(2, 1), 0u);
    EXPECT_EQ(ReadFile(*c, 2, 0), Hex("41 42"));

    std::filesystem::remove(dir.Path() / "20240507_090500" / "00000000.csv");
    uint8_t bytes[3];
    EXPECT_FALSE(c->Read(0, 0, 0, bytes, 3)) << "a file gone since loading";

    EXPECT_FALSE(FolderCatalogue::Load((dir.Path() / "missing").string(), error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace qvsim_test
