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
    const struct {
        const char* typed;
        const char* clamped;
    } cases[] = {
        {"5", "10"},           {"0", "10"},           {"", "10"},           {"abc", "10"},
        {"10", "10"},          {"11", "11"},          {"204800", "204800"}, {"204801", "204800"},
        {"999999", "204800"},  {"  42kb", "42"},
        // Unsigned comparison: a negative size is taken as a huge one.
        {"-1", "204800"},      {"-99999", "204800"},
        // Far beyond the int range the number saturates instead of wrapping into range.
        {"999999999999999", "204800"},
    };
    for (const auto& k : cases) EXPECT_EQ(Clamped(k.typed), k.clamped) << "typed \"" << k.typed << "\"";
}

TEST(LogSizeText, OkTakesTheTypedNumberUnclampedAndTheEditShowsWholeKilobytes) {
    const struct {
        const char* typed;
        uint32_t bytes;
    } typed[] = {{"1", 1024u}, {"5", 5u * 1024u}, {"999999", 999999u * 1024u}, {"", 0u}, {"-1", 0xFFFFFC00u}};
    for (const auto& k : typed) EXPECT_EQ(LogSizeFromText(k.typed), k.bytes) << "typed \"" << k.typed << "\"";

    const struct {
        uint32_t bytes;
        const char* shown;
    } shown[] = {{1500, "1"}, {0, "0"}, {LOG_SIZE_MAX_BYTES, "204800"}, {0xFFFFFFFFu, "4194303"}};
    char text[16];
    for (const auto& k : shown) {
        FormatLogSizeText(k.bytes, text, sizeof text);
        EXPECT_STREQ(text, k.shown) << k.bytes << " bytes";
    }

    char tiny[4];
    std::memset(tiny, 'X', sizeof tiny);
    FormatLogSizeText(204800u * 1024u, tiny, 3);
    EXPECT_STREQ(tiny, "20");
    EXPECT_EQ(tiny[3], 'X');
}

}  // namespace
