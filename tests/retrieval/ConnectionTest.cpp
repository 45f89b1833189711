#include <gtest/gtest.h>

#include <cstdio>

#include "retrieval/CommandRequests.h"
#include "tests/support/ConversationSteps.h"
#include "ui/MainDialog.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

TEST(Connection, ConnectReadsTheWholeCatalogueOnTheWire) {
    Conversation c;
    c.Command(IDC_CONNECT);
    EXPECT_EQ(c.TakeSent(), Sent{"AA 10 20 00 00 DB"});
    EXPECT_EQ(c.StateFlags(), STATE_1) << "state 1 at once, before any reply";

    c.Receive("55 10 00 00 00 66");
    EXPECT_TRUE(c.state->connected);
    EXPECT_EQ(c.StateFlags(), STATE_2);
    EXPECT_EQ(c.TakeSent(), Sent{"AA 85 00 00 00 30"});

    c.Receive("55 85 00 00 00 DB");
    EXPECT_TRUE(c.TakeSent().empty());
    c.Receive("AA 88 80 00 04 07 E8 05 07 B2");
    EXPECT_EQ(c.Entries(IDC_DATES), std::vector<std::string>{"2024/05/07"});
    EXPECT_EQ(c.TakeSent(), (Sent{"55 88 00 00 00 DE", "AA 86 00 00 04 07 E8 05 07 30"}))
        << "the acknowledgement leaves before the next request";

    c.Receive("55 86 00 00 00 DC");
    c.Receive("AA 88 90 00 03 09 05 00 D4");
    EXPECT_EQ(c.Text(IDC_TIMES), "09:05:00");
    EXPECT_EQ(c.TakeSent(), (Sent{"55 88 00 00 00 DE", "AA 84 00 00 07 07 E8 05 07 09 05 00 3F"}));

    c.Receive("55 84 00 00 02 00 03 DF");
    EXPECT_EQ(c.Entries(IDC_FILES),
              (std::vector<std::string>{"00000000.csv", "00000001.csv", "00000002.csv"}));
    EXPECT_EQ(c.StateFlags(), STATE_1);
    EXPECT_TRUE(c.MessageTexts().empty());
    EXPECT_FALSE(c.ui.TimerRunning(TIMER_REPLY));
}

TEST(Connection, ConnectStatusFiveAcceptsAndOtherStatusesDoNothing) {
    Conversation five;
    five.ConnectWifi();
    five.Receive("55 10 05 00 00 6B");
    EXPECT_TRUE(five.state->connected);
    EXPECT_EQ(five.TakeSent(), Sent{"AA 85 00 00 00 30"});

    Conversation one;
    one.ConnectWifi();
    one.Receive("55 10 01 00 00 67");
    EXPECT_FALSE(one.state->connected);
    EXPECT_EQ(one.StateFlags(), STATE_1);
    EXPECT_TRUE(one.TakeSent().empty());
    EXPECT_TRUE(one.MessageTexts().empty());

    // Still waited for, untimed: a later acceptance connects.
    one.Advance(60000);
    EXPECT_TRUE(one.MessageTexts().empty());
    one.Receive("55 10 00 00 00 66");
    EXPECT_TRUE(one.state->connected);
    EXPECT_EQ(one.TakeSent(), Sent{"AA 85 00 00 00 30"});
}

TEST(Connection, EveryRequestLeftUnansweredForThreeSecondsEndsTheConnection) {
    const struct {
        const char* what;
        void (*before)(Conversation&);  // leaves 3 s to the watch's end
        int closes;                     // a channel never opened is not closed
    } cases[] = {
        {"a download started before the log settings' reply",
         [](Conversation& c) {
             ReachRun20240507(c, 1);
             int settingsShown = 0;
             c.ui.logSettingsAnswer = [&settingsShown](LogSettingsAnswer&) { return ++settingsShown, 0; };
             c.Command(IDC_LOG_SETTINGS);
             c.ui.SelectEntry(IDC_FILES, 0, true);
             c.Command(IDC_DOWNLOAD);
             EXPECT_EQ(c.TakeSent(), (Sent{"AA 81 00 00 00 2C", "AA 87 00 00 09 07 E8 05 07 09 05 00 00 00 44"}));
             c.ReceiveReply(0x81, 0, Hex("01"));
             c.ReceiveReply(0x83, 0, Hex("01 00 10 00 00"));
             EXPECT_EQ(settingsShown, 1) << "the older reply is the user's too";
             c.ui.logSettingsAnswer = [](LogSettingsAnswer&) {
                 ADD_FAILURE() << "the settings shown again";
                 return 0;
             };
         },
         1},
        // Only the later request is covered, for a full 3 s.
        {"a second request two seconds in",
         [](Conversation& c) {
             c.ConnectWifi();
             c.Advance(2000);
             PostRequest(*c.state, c.ui, 0x85, 0, 0, nullptr);
         },
         1},
        {"a channel that cannot open",
         [](Conversation& c) {
             c.wire.opens = false;
             c.Command(IDC_CONNECT);
             EXPECT_TRUE(c.TakeSent().empty());
         },
         0},
        {"a response that answers no request",
         [](Conversation& c) {
             c.ConnectWifi();
             c.Receive("55 B0 00 00 00 06");
         },
         1},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        Conversation c;
        k.before(c);
        c.Advance(2999);
        EXPECT_TRUE(c.MessageTexts().empty());
        EXPECT_TRUE(c.state->link != nullptr);
        c.Advance(1);
        ASSERT_EQ(c.MessageTexts(), std::vector<std::string>{"応答がありません。計測器から切断しました。"});
        EXPECT_EQ(c.ui.messageBoxes()[0].type, MB_ICON_WARNING);
        EXPECT_EQ(c.StateFlags(), STATE_0);
        EXPECT_EQ(c.state->link, nullptr);
        EXPECT_EQ(c.wire.closes, k.closes);
        for (int id : {IDC_BYTE_BAR, IDC_FILE_BAR, IDC_STATUS_TEXT, IDC_BYTE_TEXT, IDC_FILE_TEXT})
            EXPECT_FALSE(c.Shown(id)) << id;
    }
}

TEST(Connection, DisconnectReplyOfAnyStatusReleasesTheLink) {
    Conversation c;
    ReachIdle(c);
    c.Command(IDC_DISCONNECT);
    EXPECT_EQ(c.TakeSent(), Sent{"AA 11 00 00 00 BC"});
    EXPECT_EQ(c.StateFlags(), STATE_0) << "state 0 without waiting for the reply";
    c.Receive("55 11 07 00 00 6E");
    EXPECT_FALSE(c.state->connected);
    EXPECT_EQ(c.state->link, nullptr);
    EXPECT_EQ(c.wire.closes, 1);
}

TEST(Connection, ConnectWhileADisconnectReplyIsOutstandingReleasesTheOldLinkFirst) {
    Conversation c;
    c.ConnectWifi();
    c.Receive("55 10 00 00 00 66");
    c.Command(IDC_DISCONNECT);
    c.TakeSent();
    MemoryChannel* oldChannel = c.wire.current;
    oldChannel->Receive(Hex("55 11 00 00 00 67"));  // arrives, but is not yet read
    c.dialog.Command(IDC_CONNECT);                  // before the dialog gets to it
    EXPECT_EQ(c.wire.closes, 1) << "old link released before the new one is made";
    EXPECT_EQ(c.factory.linksMade, 2);
    c.Settle();
    EXPECT_NE(c.state->link, nullptr) << "the old disconnect reply must not end the new link";
    c.Receive("55 10 00 00 00 66");
    EXPECT_TRUE(c.state->connected);
}

TEST(Connection, FramesOfAReleasedLinkAreNeverRead) {
    Conversation c;
    c.ConnectWifi();
    c.wire.current->Receive(Hex("55 10 00 00 00 66"));
    ASSERT_TRUE(c.state->link->PollOnce());  // posted, not yet handled
    ReleaseLink(*c.state);
    c.Settle();
    EXPECT_FALSE(c.state->connected) << "a frame of the released link was read";
    EXPECT_EQ(c.ui.queue().Size(), 0u);
}

TEST(Connection, ClosingTheDialogSavesTheSettingsThenSendsOneDisconnectOnlyWhenConnected) {
    {
        TempFolder dir;  // outlives the conversation, which saves again as it ends
        const std::filesystem::path saved = dir / "setting.ini";
        std::vector<bool> savedAtFrame;
        Conversation c;
        std::snprintf(c.state->startDir, sizeof c.state->startDir, "%s", dir.Text().c_str());
        AcceptConnection(c);
        c.wire.onWrite = [&](const Bytes&) { savedAtFrame.push_back(std::filesystem::exists(saved)); };
        c.dialog.Command(IDC_CANCEL);  // Esc
        ASSERT_TRUE(c.ui.ended());
        OnDestroy(*c.state, c.ui);  // the posted disconnect dies with the window
        EXPECT_EQ(c.TakeSent(), Sent{"AA 11 00 00 00 BC"});
        EXPECT_EQ(savedAtFrame, std::vector<bool>{false}) << "the settings were saved before the frame left";
        EXPECT_NE(FileText(saved).find("method=WIFI"), std::string::npos) << FileText(saved);
    }
    Conversation c;
    c.ConnectWifi();
    c.dialog.Command(IDC_CANCEL);
    OnDestroy(*c.state, c.ui);
    EXPECT_TRUE(c.TakeSent().empty());
}

TEST(Connection, RequestOfLengthZeroKeepsThePreviousPayloadBytes) {
    Conversation c;
    const uint8_t date[4] = {0x07, 0xE8, 0x05, 0x07};
    PostRequest(*c.state, c.ui, 0x86, 0, 4, date);
    PostRequest(*c.state, c.ui, 0x11, 0, 0, nullptr);
    const CommandRequest& request = c.state->requestInstance;
    EXPECT_EQ(request.command, 0x11);
    EXPECT_EQ(request.length, 0);
    EXPECT_EQ(ToHex(Bytes(request.data, request.data + 4)), "07 E8 05 07");
}

}  // namespace
