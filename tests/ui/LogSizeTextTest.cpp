#include "ui/controls/LogSizeText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string Clamped(const char* typed) {
    char text[16];
    std::snprintf(text, sizeof text, "%s", typed);
    ClampLogSizeText(text, sizeof text);
    return text;
}

TEST(LogSizeText, FocusLossBringsTheEditIntoTenTo204800Kilobytes) {
    EXPECT_EQ(Clamped("5"), "10");
    EXPECT_EQ(Clamped("0"), "10");
    EXPECT_EQ(Clamped(""), "10");
    EXPECT_EQ(Clamped("abc"), "10");
    EXPECT_EQ(Clamped("10"), "10");
    EXPECT_EQ(Clamped("11"), "11");
    EXPECT_EQ(Clamped("204800"), "204800");
    EXPECT_EQ(Clamped("204801"), "204800");
    EXPECT_EQ(Clamped("999999"), "204800");
    EXPECT_EQ(Clamped("  42kb"), "42");
    // Unsigned comparison: a negative size is taken as a huge one.
    EXPECT_EQ(Clamped("-1"), "204800");
    EXPECT_EQ(Clamped("-99999"), "204800");
    // Far beyond the int range the number saturates instead of wrapping into range.
    EXPECT_EQ(Clamped("999999999999999"), "204800");
}

TEST(LogSizeText, OkTakesTheTypedNumberUnclampedAndTheEditShowsWholeKilobytes) {
    EXPECT_EQ(LogSizeFromText("1"), 1024u);
    EXPECT_EQ(LogSizeFromText("5"), 5u * 1024u);
    EXPECT_EQ(LogSizeFromText("999999"), 999999u * 1024u);
    EXPECT_EQ(LogSizeFromText(""), 0u);
    EXPECT_EQ(LogSizeFromText("-1"), 0xFFFFFC00u);

    char text[16];
    FormatLogSizeText(1500, text, sizeof text);
    EXPECT_STREQ(text, "1");
    FormatLogSizeText(0, text, sizeof text);
    EXPECT_STREQ(text, "0");
    FormatLogSizeText(LOG_SIZE_MAX_BYTES, text, sizeof text);
    EXPECT_STREQ(text, "204800");
    FormatLogSizeText(0xFFFFFFFFu, text, sizeof text);
    EXPECT_STREQ(text, "4194303");

    char tiny[4];
    std::memset(tiny, 'X', sizeof tiny);
    FormatLogSizeText(204800u * 1024u, tiny, 3);
    EXPECT_STREQ(tiny, "20");
    EXPECT_EQ(tiny[3], 'X');
}

}  // namespace
