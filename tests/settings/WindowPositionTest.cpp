#include "settings/WindowPosition.h"

#include <gtest/gtest.h>

namespace {

std::string Describe(const WindowPosition& p) {
    return std::to_string(p.left) + "," + std::to_string(p.top) + "," + std::to_string(p.right) +
           "," + std::to_string(p.bottom) + " state " + std::to_string(p.showState);
}

TEST(ParseWindowPosition, AcceptsBlanksSignsAndClampsBeyond32Bits) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"0,0,0,0,normal", "0,0,0,0 state 0"},
        {"10 ,20, 30 ,40,  normal", "10,20,30,40 state 0"},
        {"-100,-50,500,400,maximized", "-100,-50,500,400 state 3"},
        {"100,50,10,10,minimized", "100,50,10,10 state 6"},
        {"\t+7\n,\r8\v,\f9 , 10 ,\tnormal", "7,8,9,10 state 0"},
        {",,,,normal", "0,0,0,0 state 0"},
        {"99999999999,-99999999999,2147483648,-2147483649,normal",
         "2147483647,-2147483648,2147483647,-2147483648 state 0"},
    };
    for (const auto& c : cases) {
        WindowPosition p{-1, -1, -1, -1, -1};
        EXPECT_TRUE(ParseWindowPosition(c.text, p)) << c.text;
        EXPECT_EQ(Describe(p), c.expected) << c.text;
    }
}

TEST(ParseWindowPosition, RejectsShortGarbageAndTrailingTextWithAnEmptyRectangle) {
    for (const char* text :
         {"", "1,2,3,normal", "1,2,3,4", "1,2,3,4,", "1,2,3,4 normal", "1;2;3;4;normal",
          "1,2,3,4,Normal", "1,2,3,4,normalized", "1,2,3,4,normal,5", "1,2,3,4,normal ",
          "1.5,2,3,4,normal", "0x10,2,3,4,normal", "--1,2,3,4,normal", "abc"}) {
        WindowPosition p{SHOW_STATE_MAXIMIZED, 11, 22, 33, 44};
        EXPECT_FALSE(ParseWindowPosition(text, p)) << text;
        EXPECT_EQ(Describe(p), "0,0,0,0 state 3") << text;
    }
    WindowPosition p{0, 1, 1, 1, 1};
    EXPECT_FALSE(ParseWindowPosition(nullptr, p));
}

TEST(FormatWindowPosition, WordsByStateAndCutToTheBuffer) {
    char text[WINDOW_POSITION_TEXT_SIZE];
    FormatWindowPosition(WindowPosition{SHOW_STATE_MINIMIZED, INT32_MIN, -1, 0, INT32_MAX}, text,
                         sizeof text);
    EXPECT_STREQ(text, "-2147483648,-1,0,2147483647,minimized");
    EXPECT_STREQ(ShowStateName(SHOW_STATE_MAXIMIZED), "maximized");
    for (int32_t other : {0, 1, 2, -1, 7}) EXPECT_STREQ(ShowStateName(other), "normal");
    char small[5] = "####";
    FormatWindowPosition(WindowPosition{0, 1234, 5, 6, 7}, small, 4);
    EXPECT_STREQ(small, "123");
}

}  // namespace
