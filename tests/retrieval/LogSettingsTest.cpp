#include <gtest/gtest.h>

#include <cstdio>

#include <functional>

#include "tests/support/ConversationSteps.h"

namespace {

using Texts = std::vector<std::string>;

const char* const READ_FAILED = "設定の取得に失敗しました。";
const char* const WRITE_FAILED = "設定に失敗しました。";

class LogSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ReachIdle(c);
        c.ui.logSettingsAnswer = [this](LogSettingsAnswer& answer) {
            shown.push_back(answer);
            return user ? user(answer) : 1;
        };
    }

    // Button 1026 and the two readings; `sizeReply` is the payload of the 0x83 reply.
    void ReadBoth(uint8_t collect, const Bytes& sizeReply) {
        c.Command(IDC_LOG_SETTINGS);
        EXPECT_EQ(c.TakeSent(), Sent{"AA 81 00 00 00 2C"});
        c.ReceiveReply(0x81, 0, {collect});
        EXPECT_EQ(c.TakeSent(), Sent{"AA 83 00 00 01 01 30"});
        c.ReceiveReply(0x83, 0, sizeReply);
    }

    Conversation c;
    std::vector<LogSettingsAnswer> shown;  // the dialog as each opening showed it
    std::function<int(LogSettingsAnswer&)> user;  // OK without edits when unset
};

TEST_F(LogSettings, ReadShowWriteOnTheWire) {
    ReadBoth(1, Hex("01 00 00 05 DC"));  // 1500 bytes
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].collect);
    EXPECT_STREQ(shown[0].sizeText, "1");
    EXPECT_EQ(c.TakeSent(), Sent{"AA 80 00 00 05 01 00 00 00 00 31"});
    c.ReceiveReply(0x80, 0);
    EXPECT_EQ(c.TakeSent(), Sent{"AA 82 00 00 05 01 00 00 28 00 5B"}) << "1 KB is out of range: 10 KB written";
    c.ReceiveReply(0x82, 0);
    EXPECT_TRUE(c.TakeSent().empty());
    EXPECT_TRUE(c.MessageTexts().empty());
    EXPECT_EQ(c.StateFlags(), STATE_1);
}

// Enter presses OK while the edit still holds what was typed: what is sent
// is what the focus loss would have left.
TEST_F(LogSettings, OkSendsTheTypedSizeClampedAsTheFocusLossClampsIt) {
    const struct {
        const char* typed;
        const char* sizeFrame;
    } cases[] = {
        {"7", "AA 82 00 00 05 01 00 00 28 00 5B"},       // 10240
        {"999999", "AA 82 00 00 05 01 0C 80 00 00 BF"},  // 209715200
        {"", "AA 82 00 00 05 01 00 00 28 00 5B"},        // 10240
    };
    for (const auto& typed : cases) {
        user = [&](LogSettingsAnswer& answer) {
            answer.collect = false;
            std::snprintf(answer.sizeText, sizeof answer.sizeText, "%s", typed.typed);
            return 1;
        };
        ReadBoth(1, Hex("01 00 10 00 00"));
        EXPECT_EQ(c.TakeSent(), Sent{"AA 80 00 00 05 00 00 00 00 00 30"});
        c.ReceiveReply(0x80, 0);
        EXPECT_EQ(c.TakeSent(), Sent{typed.sizeFrame}) << "typed \"" << typed.typed << "\"";
        c.ReceiveReply(0x82, 0);
    }
    EXPECT_STREQ(shown.at(0).sizeText, "1024");
}

TEST_F(LogSettings, CancelSendsNothingAndTheNextConversationReadsAgain) {
    user = [](LogSettingsAnswer&) { return 0; };
    ReadBoth(2, Hex("01 00 00 05 DC"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_FALSE(shown[0].collect) << "only the value 1 means on";
    EXPECT_TRUE(c.TakeSent().empty());
    c.Advance(10000);
    EXPECT_TRUE(c.MessageTexts().empty());
    ReadBoth(1, Hex("01 00 00 05 DC"));
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(c.StateFlags(), STATE_1);
}

TEST_F(LogSettings, EachRefusalShowsItsMessageAndEndsTheConversation) {
    c.Command(IDC_LOG_SETTINGS);
    c.ReceiveReply(0x81, 1, {1});
    EXPECT_EQ(c.MessageTexts(), Texts{READ_FAILED});
    EXPECT_EQ(c.TakeSent(), Sent{"AA 81 00 00 00 2C"});

    for (const Bytes& badSize : {Hex("02 00 00 05 DC"), Hex("01 00 00")}) {
        c.ui.ClearMessageBoxes();
        ReadBoth(1, badSize);
        EXPECT_EQ(c.MessageTexts(), Texts{READ_FAILED}) << ToHex(badSize);
        EXPECT_TRUE(c.TakeSent().empty());
    }
    EXPECT_TRUE(shown.empty()) << "no dialog after a refused reading";

    c.ui.ClearMessageBoxes();
    ReadBoth(1, Hex("01 00 00 05 DC"));
    c.TakeSent();
    c.ReceiveReply(0x80, 3);
    EXPECT_EQ(c.MessageTexts(), Texts{WRITE_FAILED});
    EXPECT_TRUE(c.TakeSent().empty()) << "the size is not written after a refused switch";

    c.ui.ClearMessageBoxes();
    ReadBoth(1, Hex("01 00 00 05 DC"));
    c.ReceiveReply(0x80, 0);
    c.TakeSent();
    c.ReceiveReply(0x82, 3);
    EXPECT_EQ(c.MessageTexts(), Texts{WRITE_FAILED});
    EXPECT_TRUE(c.TakeSent().empty());
    EXPECT_EQ(c.StateFlags(), STATE_1);
}


}  // namespace
