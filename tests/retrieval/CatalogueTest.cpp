#include <gtest/gtest.h>

#include "retrieval/Catalogue.h"
#include "tests/support/ConversationSteps.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

using Entries = std::vector<std::string>;

TEST(Catalogue, DatesFromSeveralBlocksEndSortedAndTheEarliestIsAskedFor) {
    Conversation c;
    ReachDates(c);
    c.ReceiveBlock(0x00, Hex("07 E8 05 07  07 E7 0C 1F"));
    EXPECT_EQ(c.TakeSent(), Sent{ACK_OK_FRAME});
    c.ReceiveBlock(0x80, Hex("07 E8 01 0F"));
    EXPECT_EQ(c.Entries(IDC_DATES), (Entries{"2023/12/31", "2024/01/15", "2024/05/07"}));
    EXPECT_EQ(c.Text(IDC_DATES), "2023/12/31");
    EXPECT_EQ(c.TakeSent(), (Sent{ACK_OK_FRAME, "AA 86 00 00 04 07 E7 0C 1F 4E"}));
    EXPECT_EQ(c.StateFlags(), STATE_2);
}

TEST(Catalogue, TenByteDateBlockAddsTwoDatesAndIgnoresTheRest) {
    Conversation c;
    ReachDates(c);
    c.ReceiveBlock(0x80, Hex("07 E8 05 07  07 E7 01 02  FF FF"));
    EXPECT_EQ(c.Entries(IDC_DATES), (Entries{"2023/01/02", "2024/05/07"}));
    EXPECT_EQ(c.TakeSent(), (Sent{ACK_OK_FRAME, "AA 86 00 00 04 07 E7 01 02 26"}));
}

TEST(Catalogue, EmptyListsShowNoneAndSelectingNoneAsksNothing) {
    Conversation dates;
    ReachDates(dates);
    dates.ReceiveBlock(0x80);
    EXPECT_EQ(dates.Entries(IDC_DATES), Entries{"none"});
    EXPECT_EQ(dates.TakeSent(), Sent{ACK_OK_FRAME}) << "no CMD_GET_TIMES for an empty list";
    EXPECT_EQ(dates.StateFlags(), STATE_1);
    dates.Command(IDC_DATES, CBN_SELCHANGE_CODE);
    EXPECT_TRUE(dates.TakeSent().empty());
    EXPECT_EQ(dates.StateFlags(), STATE_1);
    EXPECT_FALSE(dates.ui.TimerRunning(TIMER_REPLY));

    Conversation times;
    ReachDates(times);
    times.ReceiveBlock(0x80, Hex("07 E8 05 07"));
    times.ReceiveReply(0x86, 0);
    times.TakeSent();
    times.ReceiveBlock(0x90);
    EXPECT_EQ(times.Entries(IDC_TIMES), Entries{"none"});
    EXPECT_EQ(times.Text(IDC_TIMES), "none");
    EXPECT_EQ(times.TakeSent(), Sent{ACK_OK_FRAME}) << "no CMD_GET_FILE_COUNT for an empty list";
    EXPECT_EQ(times.StateFlags(), STATE_1);
    times.Command(IDC_TIMES, CBN_SELCHANGE_CODE);
    EXPECT_TRUE(times.TakeSent().empty());
    EXPECT_EQ(times.StateFlags(), STATE_1);
    EXPECT_TRUE(times.MessageTexts().empty());
}

TEST(Catalogue, DateAndTimeTextsGiveThePayloadBytes) {
    Conversation c;
    ReachDates(c);
    c.ReceiveBlock(0x80, Hex("07 E8 05 07"));
    EXPECT_EQ(c.TakeSent(), (Sent{ACK_OK_FRAME, "AA 86 00 00 04 07 E8 05 07 30"}));
    c.ReceiveReply(0x86, 0);
    c.ReceiveBlock(0x90, Hex("17 3B 3A"));
    EXPECT_EQ(c.Text(IDC_TIMES), "23:59:58");
    EXPECT_EQ(c.TakeSent(), (Sent{ACK_OK_FRAME, "AA 84 00 00 07 07 E8 05 07 17 3B 3A BD"}));
    c.Receive("55 84 00 00 02 00 00 DC");
    EXPECT_TRUE(c.Entries(IDC_FILES).empty());
    EXPECT_EQ(c.StateFlags(), STATE_1);
}

TEST(Catalogue, RefreshSelectsTheRememberedDateAndTimeOrFallsBackToTheFirst) {
    Conversation c;
    const Bytes twoDates = Hex("07 E8 05 07  07 E8 06 01");
    const Bytes twoTimes = Hex("08 00 00  0A 1E 00");
    ReachDates(c);
    c.ReceiveBlock(0x80, twoDates);
    c.ReceiveReply(0x86, 0);
    c.ReceiveBlock(0x90, Hex("08 00 00"));
    c.ReceiveReply(0x84, 0, Hex("00 02"));

    // The user picks the second date and then its second start time.
    c.ui.SetListSelection(IDC_DATES, 1);
    c.TakeSent();
    c.Command(IDC_DATES, CBN_SELCHANGE_CODE);
    EXPECT_EQ(c.TakeSent(), Sent{"AA 86 00 00 04 07 E8 06 01 2B"});
    c.ReceiveReply(0x86, 0);
    c.ReceiveBlock(0x90, twoTimes);
    c.ReceiveReply(0x84, 0, Hex("00 01"));
    c.ui.SetListSelection(IDC_TIMES, 1);
    c.TakeSent();
    c.Command(IDC_TIMES, CBN_SELCHANGE_CODE);
    EXPECT_EQ(c.TakeSent(), Sent{"AA 84 00 00 07 07 E8 06 01 0A 1E 00 54"});
    c.ReceiveReply(0x84, 0, Hex("00 03"));

    c.Command(IDC_REFRESH_CATALOGUE);
    EXPECT_EQ(c.TakeSent(), Sent{"AA 85 00 00 00 30"});
    EXPECT_EQ(c.StateFlags(), STATE_2);
    EXPECT_TRUE(c.Entries(IDC_DATES).empty());
    c.ReceiveReply(0x85, 0);
    c.ReceiveBlock(0x80, twoDates);
    EXPECT_EQ(c.TakeSent(), (Sent{ACK_OK_FRAME, "AA 86 00 00 04 07 E8 06 01 2B"}));
    c.ReceiveReply(0x86, 0);
    c.ReceiveBlock(0x90, twoTimes);
    EXPECT_EQ(c.TakeSent(), (Sent{ACK_OK_FRAME, "AA 84 00 00 07 07 E8 06 01 0A 1E 00 54"}));
    c.ReceiveReply(0x84, 0, Hex("00 03"));
    EXPECT_EQ(c.Text(IDC_DATES), "2024/06/01");
    EXPECT_EQ(c.Text(IDC_TIMES), "10:30:00");
    EXPECT_EQ(c.StateFlags(), STATE_1);

    // Neither the date nor the time is reported any more: the first of each.
    c.Command(IDC_REFRESH_CATALOGUE);
    c.ReceiveReply(0x85, 0);
    c.ReceiveBlock(0x80, Hex("07 E8 05 07"));
    c.ReceiveReply(0x86, 0);
    c.ReceiveBlock(0x90, Hex("08 00 00"));
    EXPECT_EQ(c.TakeSent(), (Sent{"AA 85 00 00 00 30", ACK_OK_FRAME, "AA 86 00 00 04 07 E8 05 07 30",
                                  ACK_OK_FRAME, "AA 84 00 00 07 07 E8 05 07 08 00 00 39"}));
    EXPECT_FALSE(c.state->refreshPending);
}

TEST(Catalogue, ErrorRepliesShowTheirMessageAndEndInStateOne) {
    struct Case {
        uint8_t status;
        int message;
    };
    for (uint8_t command : {0x85, 0x86, 0x84}) {
        for (Case k : {Case{11, MSG_NO_SD_CARD}, Case{255, MSG_UNSUPPORTED}, Case{3, MSG_TRANSFER_ERROR}}) {
            SCOPED_TRACE(testing::Message() << "command " << int(command) << " status " << int(k.status));
            Conversation c;
            AcceptConnection(c);
            if (command != 0x85) {
                c.ReceiveReply(0x85, 0);
                c.ReceiveBlock(0x80, Hex("07 E8 05 07"));
            }
            if (command == 0x84) {
                c.ReceiveReply(0x86, 0);
                c.ReceiveBlock(0x90, Hex("09 05 00"));
            }
            c.TakeSent();
            c.ReceiveReply(command, k.status);
            EXPECT_EQ(c.MessageTexts(), Entries{CatalogueEntry(k.message).text});
            EXPECT_EQ(c.StateFlags(), STATE_1);
            EXPECT_TRUE(c.TakeSent().empty());
            if (command == 0x84) {
                EXPECT_EQ(c.Text(IDC_TIMES), "09:05:00") << "controls not emptied keep their entries";
                EXPECT_TRUE(c.Entries(IDC_FILES).empty());
            }
        }
    }
}

TEST(Catalogue, UnusedKindIsAcknowledgedAndArmsTheWatchUnlessLast) {
    Conversation c;
    ReachDates(c);
    c.ReceiveBlock(0x30, Hex("07 E8 05 07"));
    EXPECT_EQ(c.TakeSent(), Sent{ACK_OK_FRAME});
    EXPECT_TRUE(c.ui.TimerRunning(TIMER_BLOCK));
    c.ReceiveBlock(0xB0, Hex("07 E8 05 07"));
    EXPECT_EQ(c.TakeSent(), Sent{ACK_OK_FRAME});
    EXPECT_FALSE(c.ui.TimerRunning(TIMER_BLOCK));
    EXPECT_TRUE(c.Entries(IDC_DATES).empty());
    EXPECT_EQ(c.StateFlags(), STATE_2);
}

// Advances the clock in 30 s steps, expecting an ACK_RESEND at the end of
// each and nothing before it.
void ExpectResends(Conversation& c, int count) {
    for (int i = 1; i <= count; ++i) {
        SCOPED_TRACE(testing::Message() << "resend " << i);
        c.Advance(29999);
        EXPECT_TRUE(c.TakeSent().empty());
        c.Advance(1);
        EXPECT_EQ(c.TakeSent(), Sent{ACK_RESEND_FRAME});
    }
}

TEST(Catalogue, BlocksNoSequenceWaitsForAreRefusedAndChangeNothing) {
    Conversation c;
    AcceptConnection(c);
    // Before the dates reply, no block is expected: not a file's, not an
    // error block (no message), not even a date.
    for (uint8_t flags : {0xA0, 0x40, 0x80}) c.ReceiveBlock(flags, Hex("07 E8 05 07"));
    EXPECT_EQ(c.TakeSent(), Sent(3, ACK_CANCEL_FRAME));
    EXPECT_TRUE(c.Entries(IDC_DATES).empty());
    EXPECT_TRUE(c.MessageTexts().empty());
    EXPECT_EQ(c.StateFlags(), STATE_2);
    EXPECT_FALSE(c.ui.TimerRunning(TIMER_BLOCK));

    // In the dates sequence a times block is refused; the dates go on.
    c.ReceiveReply(0x85, 0);
    c.ReceiveBlock(0x00, Hex("07 E8 05 07"));
    c.ReceiveBlock(0x10, Hex("09 05 00"));
    c.ReceiveBlock(0x80, Hex("07 E8 05 08"));
    EXPECT_EQ(c.TakeSent(), (Sent{ACK_OK_FRAME, ACK_CANCEL_FRAME, ACK_OK_FRAME, "AA 86 00 00 04 07 E8 05 07 30"}));
    EXPECT_EQ(c.Entries(IDC_DATES), (std::vector<std::string>{"2024/05/07", "2024/05/08"}));
    EXPECT_TRUE(c.Entries(IDC_TIMES).empty());
}

TEST(Catalogue, BlockWatchAsksFiveTimesThenGivesUpAndABlockStartsItAgain) {
    Conversation c;
    ReachDates(c);
    c.ReceiveBlock(0x00, Hex("07 E8 05 07"));
    c.TakeSent();
    ExpectResends(c, 2);

    c.Advance(10000);
    c.ReceiveBlock(0x00, Hex("07 E8 06 01"));  // 70 s: the count starts again
    EXPECT_EQ(c.TakeSent(), Sent{ACK_OK_FRAME});
    ExpectResends(c, 5);
    c.Advance(29999);
    EXPECT_TRUE(c.MessageTexts().empty());
    EXPECT_EQ(c.StateFlags(), STATE_2);
    c.Advance(1);
    EXPECT_EQ(c.MessageTexts(), Entries{"データ転送中にエラーが発生しました。"});
    EXPECT_EQ(c.StateFlags(), STATE_1);
    EXPECT_TRUE(c.TakeSent().empty());
    c.Advance(300000);
    EXPECT_TRUE(c.TakeSent().empty()) << "the watch stays stopped once it gave up";
    EXPECT_EQ(c.MessageTexts().size(), 1u);
}

}  // namespace

namespace {

TEST(CatalogueBounds, ListsStopGrowingAtTheFileListsLimit) {
    // A peer that sends date and time records without end: the combos stop
    // at the 65535 entries the file list can hold, so memory stays bounded.
    Conversation c;
    ReachDates(c);
    Bytes dates;
    for (int i = 0; i < 256; ++i) dates.insert(dates.end(), {0x07, 0xE8, 0x05, 0x07});
    const int blocks = LIST_ENTRIES_MAX / 256 + 2;
    for (int i = 0; i < blocks; ++i) c.ReceiveBlock(0x00, dates);
    EXPECT_EQ(c.ui.ListCount(IDC_DATES), LIST_ENTRIES_MAX);
    c.ReceiveBlock(0x80);
    c.ReceiveReply(0x86, 0);
    Bytes times;
    for (int i = 0; i < 341; ++i) times.insert(times.end(), {0x09, 0x05, 0x00});
    for (int i = 0; i < LIST_ENTRIES_MAX / 341 + 2; ++i) c.ReceiveBlock(0x10, times);
    EXPECT_EQ(c.ui.ListCount(IDC_TIMES), LIST_ENTRIES_MAX);
    // Each block is still taken and acknowledged.
    const Sent sent = c.TakeSent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), ACK_OK_FRAME), blocks + 1 + LIST_ENTRIES_MAX / 341 + 2);
}

}  // namespace
