// Random input for the INI reader and writer and for ParseWindowPosition: a
// fixed seed and a bounded number of rounds, so a failure repeats. Checks the
// bounds and the properties that must hold for any text.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "settings/IniFile.h"
#include "settings/WindowPosition.h"

namespace {

constexpr uint32_t SEED = 0x5E771265;
constexpr int ROUNDS = 3000;

// Mostly the characters INI files and position texts are made of, so the
// parsers go deep; some arbitrary bytes, NUL included.
std::string RandomText(std::mt19937& random, size_t maxLength) {
    static const char alphabet[] = "[]=;\"' \t\r\n\r\n,-+0123456789sckSCKnormalmiximzed";
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::string text(length(random), '\0');
    for (char& c : text) {
        const uint32_t r = random();
        c = r % 8 == 0 ? static_cast<char>(r >> 8) : alphabet[(r >> 8) % (sizeof alphabet - 1)];
    }
    return text;
}

TEST(SettingsFuzz, IniReaderStaysInBoundsAndWritesReadBack) {
    std::mt19937 random(SEED);
    const char* names[] = {"s", "S", "k", "K", "c"};
    for (int round = 0; round < ROUNDS; ++round) {
        const std::string text = RandomText(random, 400);
        IniFile file(text);
        ASSERT_EQ(file.Text(), text) << "round " << round << ": the text did not survive parsing";

        const char* section = names[random() % 5];
        const char* key = names[random() % 5];
        const uint32_t size = 1 + random() % 24;
        char buffer[32];
        std::memset(buffer, '#', sizeof buffer);
        const uint32_t count = file.Get(section, key, buffer, size);
        ASSERT_LT(count, size) << "round " << round;
        ASSERT_EQ(std::strlen(buffer), count) << "round " << round;
        ASSERT_EQ(buffer[size], '#') << "round " << round << ": wrote past the buffer";

        const std::string value = "v" + std::to_string(random() % 1000);
        ASSERT_TRUE(file.Set(section, key, value.c_str())) << "round " << round;
        const std::string written = file.Text();
        const IniFile reread(written);
        char back[32];
        reread.Get(section, key, back, sizeof back);
        ASSERT_EQ(back, value) << "round " << round << " in:\n" << written;
        IniFile again(written);
        ASSERT_TRUE(again.Set(section, key, value.c_str()));
        ASSERT_EQ(again.Text(), written)
            << "round " << round << ": writing the same value twice changed the file";
    }
}

TEST(SettingsFuzz, WindowPositionRejectsWithAnEmptyRectangleAndRoundTrips) {
    std::mt19937 random(SEED);
    for (int round = 0; round < ROUNDS; ++round) {
        const std::string text = RandomText(random, 60);
        WindowPosition p{SHOW_STATE_MAXIMIZED, 1, 2, 3, 4};
        if (ParseWindowPosition(text.c_str(), p)) {
            ASSERT_TRUE(p.showState == SHOW_STATE_NORMAL || p.showState == SHOW_STATE_MAXIMIZED ||
                        p.showState == SHOW_STATE_MINIMIZED) << text;
        } else {
            ASSERT_EQ(p.left | p.top | p.right | p.bottom, 0) << text;
        }

        const int32_t states[] = {SHOW_STATE_NORMAL, SHOW_STATE_MAXIMIZED, SHOW_STATE_MINIMIZED};
        const auto any = [&random] { return static_cast<int32_t>(random()); };
        const WindowPosition original{states[random() % 3], any(), any(), any(), any()};
        char formatted[WINDOW_POSITION_TEXT_SIZE];
        FormatWindowPosition(original, formatted, sizeof formatted);
        WindowPosition parsed{};
        ASSERT_TRUE(ParseWindowPosition(formatted, parsed)) << formatted;
        ASSERT_EQ(std::memcmp(&parsed, &original, sizeof parsed), 0) << formatted;
    }
}

}  // namespace
