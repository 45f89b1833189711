// What the guides say the dialog shows, checked against the dialog logic
// itself over the headless UI: the status word after a file could not be
// created, and the lists of an instrument with no logs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/docs/GuidePages.h"
#include "tests/support/ConversationSteps.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

using namespace guide_pages;

// The guide's row of catalogue message `n`; empty when it has none.
std::string MessageRow(const std::string& guide, int n) {
    const size_t at = guide.find("| " + std::to_string(n) + " | " + CatalogueEntry(n).text + " |");
    return at == std::string::npos ? "" : guide.substr(at, guide.find('\n', at) - at);
}

TEST(Guides, GiveTheStatusWordTheDialogShowsWhenAFileCannotBeCreated) {
    TempFolder folder;
    Conversation c;
    ReachRun20240507(c, 1);
    c.ui.SetControlText(IDC_SAVE_PATH, (folder.Text() + "/missing").c_str());
    c.ui.SelectEntry(IDC_FILES, 0, true);
    c.Command(IDC_DOWNLOAD);
    c.ReceiveReply(0x87, 0, Big32(2));
    c.ReceiveBlock(0xA0, Hex("41 42"));
    ASSERT_EQ(c.MessageTexts(), std::vector<std::string>{CatalogueEntry(MSG_FILE_NOT_CREATED).text});
    const std::string status = c.Text(IDC_STATUS_TEXT);
    const std::string word = status.substr(status.find(' ') + 1);  // after "00000000.csv "

    const std::string ja = MessageRow(Source(GUIDES[0]), MSG_FILE_NOT_CREATED);
    EXPECT_TRUE(Has(ja, "作れなかったときは、進み具合の表示が「" + word + "」")) << ja << "\nthe dialog shows " << status;
    const std::string en = MessageRow(Source(GUIDES[1]), MSG_FILE_NOT_CREATED);
    EXPECT_TRUE(Has(en, "could not be created, the status line reads " + word)) << en << "\nthe dialog shows " << status;
}

TEST(Guides, SayWhatTheListsShowForAnInstrumentWithoutLogs) {
    Conversation c;
    ReachIdle(c);  // the instrument reports no dates
    const std::vector<std::string> dates = c.Entries(IDC_DATES);
    ASSERT_EQ(dates.size(), 1u);
    ASSERT_TRUE(c.Entries(IDC_TIMES).empty()) << "the guides say the time list stays empty";
    EXPECT_TRUE(Has(Source(GUIDES[0]), "日付の一覧に `" + dates[0] + "` と出て、時刻の一覧は空のまま"));
    EXPECT_TRUE(Has(Source(GUIDES[1]), "the date list shows `" + dates[0] + "` and the time list stays empty"));
}

}  // namespace
