// qvlog's small parts: the language a locale names, JSON strings, the wait
// before each retry, and the reasons a file cannot be written.
#include <gtest/gtest.h>

#include <system_error>

#include "tools/qvlog/Attempts.h"
#include "tools/qvlog/Files.h"
#include "tools/qvlog/Json.h"
#include "tools/qvlog/Texts.h"

namespace {

TEST(QvlogPieces, LocaleNamesThatMeanJapanese) {
    for (const char* name : {"ja", "ja_JP", "ja_JP.UTF-8", "ja_JP.eucJP", "JA_jp", "Japanese_Japan.932"})
        EXPECT_EQ(LanguageOfLocaleName(name), Language::JAPANESE) << name;
    for (const char* name : {"", "C", "C.UTF-8", "POSIX", "en_US.UTF-8", "jam", "de_DE", "j"})
        EXPECT_EQ(LanguageOfLocaleName(name), Language::ENGLISH) << name;
    EXPECT_EQ(Say(Language::ENGLISH, Text::CANNOT_WRITE, {"/x/y.csv", "disk full"}), "cannot write /x/y.csv: disk full");
    EXPECT_EQ(Say(Language::JAPANESE, Text::CANNOT_WRITE, {"/x", "a"}), u8"/x に書き込めません: a");
    EXPECT_STREQ(CatalogueEnglish(8), "No SD card is inserted in the instrument.");
}

TEST(QvlogPieces, JsonStringsAreAlwaysUtf8) {
    EXPECT_EQ(JsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\u000a\\u0001\"");
    EXPECT_EQ(JsonString(u8"ログ"), std::string("\"") + u8"ログ" + "\"") << "UTF-8 passes as it is";
    // Code page 932 bytes of a Japanese name, or a cut sequence: replaced.
    EXPECT_EQ(JsonString("\x83\x8D\x83\x4F"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\x4F\"");
    EXPECT_EQ(JsonString("\xE3\x83"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonObject({{"n", JsonNumber(-3)}, {"b", JsonBool(false)}, {"z", JSON_NULL}}),
              "{\"n\":-3,\"b\":false,\"z\":null}");
}

TEST(QvlogPieces, RetriesWaitLongerEachTime) {
    const int expected[] = {1, 2, 4, 8, 16, 30, 30};
    for (int retry = 1; retry <= 7; ++retry) EXPECT_EQ(RetryWaitSeconds(retry), expected[retry - 1]) << retry;
}

TEST(QvlogPieces, WriteProblemsFromTheSystemsErrors) {
    const struct {
        std::errc error;
        Cause cause;
        const char* reason;
    } rows[] = {
        {std::errc::no_such_file_or_directory, Cause::NO_FOLDER, "no such folder"},
        {std::errc::not_a_directory, Cause::NOT_A_FOLDER, "not a folder"},
        {std::errc::permission_denied, Cause::PERMISSION_DENIED, "permission denied"},
        {std::errc::no_space_on_device, Cause::DISK_FULL, "disk full"},
        {std::errc::read_only_file_system, Cause::READ_ONLY, "read-only file system"},
        {std::errc::filename_too_long, Cause::PATH_TOO_LONG, "path too long"},
        {std::errc::io_error, Cause::WRITE_FAILED, "write failed"},
    };
    for (const auto& row : rows) {
        const Cause cause = CauseOfFileError(std::make_error_code(row.error));
        EXPECT_EQ(cause, row.cause) << row.reason;
        EXPECT_STREQ(CauseKey(cause), row.reason);
        EXPECT_EQ(Fail(cause).exit, Outcome::FILE_ERROR) << row.reason;
    }
    EXPECT_EQ(CauseOfFileError(std::error_code()), Cause::NONE);
}

}  // namespace
