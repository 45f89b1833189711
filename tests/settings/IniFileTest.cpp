#include "settings/IniFile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "settings/FileReplace.h"
#include "tests/support/TempFolder.h"

namespace {

std::string Value(const IniFile& file, const char* section, const char* key) {
    char buffer[1025];
    const uint32_t count = file.Get(section, key, buffer, sizeof buffer);
    EXPECT_EQ(count, std::strlen(buffer)) << "count returned for [" << section << "] " << key;
    return buffer;
}

std::string AfterSet(const std::string& text, const char* section, const char* key,
                     const char* value) {
    IniFile file(text);
    EXPECT_TRUE(file.Set(section, key, value)) << "[" << section << "] " << key << "=" << value;
    return file.Text();
}

TEST(IniFileRead, ValuesTrimmedQuotesDroppedNamesWithoutCase) {
    const IniFile file(
        "; method=comment\r\n[Connection]\r\n  Method =  WIFI \t\r\nhost=\"10.0.0.1\"\r\n"
        "noequals\r\n[log]\r\npath= ' C:\\a b ' \r\nempty=   \r\n[connection]\r\ncom=9\r\n");
    EXPECT_EQ(Value(file, "connection", "method"), "WIFI");
    EXPECT_EQ(Value(file, "CONNECTION", "METHOD"), "WIFI");
    EXPECT_EQ(Value(file, "connection", "host"), "10.0.0.1");
    EXPECT_EQ(Value(file, "log", "path"), " C:\\a b ");
    EXPECT_EQ(Value(file, "log", "empty"), "");
    EXPECT_EQ(Value(file, "log", "method"), "") << "a key of another section";
    EXPECT_EQ(Value(file, "connection", "noequals"), "");
    EXPECT_EQ(Value(file, "connection", "com"), "") << "only the first section of a name counts";
}

TEST(IniFileRead, ValuesAreCutToTheBufferAndAlwaysTerminated) {
    const IniFile file("[s]\nk=abcdefghij\n");
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(file.Get("s", "k", buffer, 5), 4u);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(buffer[5], '#') << "wrote past the buffer size";
    EXPECT_EQ(file.Get("s", "k", buffer, 1), 0u);
    EXPECT_STREQ(buffer, "");
    buffer[0] = '#';
    EXPECT_EQ(file.Get("s", "k", buffer, 0), 0u);
    EXPECT_EQ(buffer[0], '#') << "a zero-sized buffer was written";
}

TEST(IniFileRead, CrlfLfMixedAndUnterminatedFilesReadAndRoundTripByteForByte) {
    for (const std::string text :
         {"[s]\r\nk=v\r\n", "[s]\nk=v\n", "[s]\nk=v", "\xEF\xBB\xBF[s]\r\n\r\nk=v\n; c\r\n"}) {
        const IniFile file(text);
        EXPECT_EQ(Value(file, "s", "k"), "v") << text;
        EXPECT_EQ(file.Text(), text);
    }
}

TEST(IniFileWrite, NewFileHoldsSectionsAndKeysInFirstWriteOrderWithCrlf) {
    IniFile file;
    ASSERT_TRUE(file.Set("connection", "method", "USB"));
    ASSERT_TRUE(file.Set("connection", "com", "1"));
    ASSERT_TRUE(file.Set("log", "path", "/tmp"));
    ASSERT_TRUE(file.Set("connection", "host", "h"));
    ASSERT_TRUE(file.Set("CONNECTION", "COM", "2"));
    EXPECT_EQ(file.Text(),
              "[connection]\r\nmethod=USB\r\ncom=2\r\nhost=h\r\n[log]\r\npath=/tmp\r\n");
}

TEST(IniFileWrite, KeyLineReplacedInPlaceEveryOtherByteKept) {
    const std::string before =
        "; settings\n\n[other]\ncom=5\n  [Connection] \n\tmethod=USB\n ; note\n  Com = 3 \n"
        "unknown=x\n\n[log]\npath=a\n";
    std::string expected = before;
    expected.replace(expected.find("  Com = 3 "), 10, "Com=7");
    EXPECT_EQ(AfterSet(before, "connection", "com", "7"), expected);
}

TEST(IniFileWrite, NewKeyEndsItsSectionBeforeBlankLinesNewSectionEndsTheFile) {
    EXPECT_EQ(AfterSet("[a]\nx=1\n; c\n\n\n[b]\ny=2\n", "a", "z", "3"),
              "[a]\nx=1\n; c\nz=3\n\n\n[b]\ny=2\n");
    EXPECT_EQ(AfterSet("[a]\r\n\r\n[b]\r\n", "a", "k", "v"), "[a]\r\nk=v\r\n\r\n[b]\r\n");
    EXPECT_EQ(AfterSet("[b]\ny=2", "b", "w", "4"), "[b]\ny=2\nw=4\n");
    EXPECT_EQ(AfterSet("[b]\ny=2", "c", "k", "v"), "[b]\ny=2\n[c]\nk=v\n");
    EXPECT_EQ(AfterSet("x=1\r\n", "c", "k", "v"), "x=1\r\n[c]\r\nk=v\r\n");
}

TEST(IniFileWrite, RefusesWhatWouldNotStayOneLine) {
    const std::string text = "[s]\nk=v\n";
    IniFile file(text);
    EXPECT_FALSE(file.Set("s", "k", "a\r\nb=c"));
    EXPECT_FALSE(file.Set("s", "k=x", "v"));
    EXPECT_FALSE(file.Set("s]x", "k", "v"));
    EXPECT_FALSE(file.Set("s", " ", "v"));
    EXPECT_FALSE(file.Set("s", "; k", "v"));
    EXPECT_FALSE(file.Set("s", "[k", "v]"));
    EXPECT_FALSE(file.Set("", "k", "v"));
    EXPECT_EQ(file.Text(), text);
}

TEST(IniFileOnDisk, WritesThroughATemporaryFileThatNeverStays) {
    TempFolder folder;
    ASSERT_TRUE(folder.Made());
    const std::string path = folder.File("setting.ini");
    char buffer[16];
    EXPECT_EQ(ReadIniText(path.c_str(), "s", "k", buffer, sizeof buffer), 0u);
    ASSERT_TRUE(WriteIniText(path.c_str(), "s", "k", "v"));
    EXPECT_EQ(FileText(path), "[s]\r\nk=v\r\n");
    WriteText(path, "[s]\nk=v\n");
    ASSERT_TRUE(WriteIniText(path.c_str(), "s", "j", "w"));
    EXPECT_EQ(FileText(path), "[s]\nk=v\nj=w\n");
    EXPECT_EQ(ReadIniText(path.c_str(), "S", "J", buffer, sizeof buffer), 1u);
    EXPECT_EQ(FileNames(folder.Path()).size(), 1u) << "a temporary file was left beside setting.ini";
}

TEST(IniFileOnDisk, FailedWriteLeavesTheOldFileAsItWas) {
    TempFolder folder;
    ASSERT_TRUE(folder.Made());
    EXPECT_FALSE(WriteIniText(folder.File("missing/setting.ini").c_str(), "s", "k", "v"));

    // Too large to be a settings file: neither read nor cut down by a write.
    const std::string path = folder.File("setting.ini");
    const std::string huge = "[s]\r\nk=v\r\n" + std::string(IniFile::FILE_MAX, ';');
    WriteText(path, huge);
    char buffer[16];
    EXPECT_EQ(ReadIniText(path.c_str(), "s", "k", buffer, sizeof buffer), 0u);
    EXPECT_FALSE(WriteIniText(path.c_str(), "s", "k", "w"));
    EXPECT_TRUE(FileText(path) == huge) << "the oversized file was changed";

    // A folder where the file should be is not replaced.
    const std::string taken = folder.File("taken.ini");
    std::filesystem::create_directory(taken);
    EXPECT_FALSE(WriteIniText(taken.c_str(), "s", "k", "v"));
    EXPECT_FALSE(WriteFileReplacing(taken.c_str(), "x", 1)) << "the rename itself refused";
    EXPECT_TRUE(std::filesystem::is_directory(taken));
    EXPECT_EQ(FileNames(folder.Path()).size(), 2u) << "a temporary file was left behind";
}

}  // namespace
