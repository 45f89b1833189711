#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "tests/discovery/FakeProbes.h"
#include "tests/support/Conversation.h"
#include "ui/MainDialog.h"
#include "ui/controls/ControlStates.h"
#include "ui/controls/InetAddress.h"
#include "ui/controls/MessageCatalogue.h"
#include "version/Version.h"

namespace {

using Texts = std::vector<std::string>;

// The seventeen controls of the state table, in the order they are set.
constexpr int STATE_TABLE_IDS[] = {1004, 1003, 1001, 1002, 1005, 1006, 1007, 1008, 1017,
                                   1013, 1014, 1026, 1021, 1027, 1010, 1011, 1012};

std::string EnabledFlags(HeadlessUi& ui) {
    std::string flags;
    for (int id : STATE_TABLE_IDS) flags += ui.control(id).enabled ? '1' : '0';
    return flags;
}

std::string ShownFlags(HeadlessUi& ui, std::initializer_list<int> ids) {
    std::string flags;
    for (int id : ids) flags += ui.control(id).shown ? '1' : '0';
    return flags;
}

// Everything a user could see of the main dialog's controls, and what waits
// to be handled.
std::string Snapshot(Conversation& c) {
    std::string out;
    for (int id = 1001; id <= 1027; ++id) {
        const HeadlessUi::Control& k = c.ui.control(id);
        char line[120];
        std::snprintf(line, sizeof line, "%d:%d%d%d sel%d pos%d bar%d addr%08X ", id, k.enabled, k.shown,
                      k.checked, k.selection, k.position, static_cast<int>(k.barState), k.address);
        out += line + k.text;
        for (const std::string& entry : k.entries) out += "|" + entry;
        out += "\n";
    }
    out += "queued " + std::to_string(c.ui.queue().Size()) + ", links " + std::to_string(c.factory.linksMade);
    out += c.ui.TimerRunning(TIMER_REPLY) ? ", reply timer" : "";
    return out;
}

TEST(ControlStates, EachStateEnablesItsColumnsOfTheTable) {
    HeadlessUi ui(HeadlessUi::MANUAL_CLOCK);
    const char* const expected[4] = {"10111111100000000", "01000000110111111", "00000000001000000",
                                     "00000000000000000"};
    auto dialog = NewDialogState();
    for (int state : {3, 0, 1, 2, 3, 1, 0}) {
        SetControlState(*dialog, ui, static_cast<ControlState>(state));
        EXPECT_EQ(EnabledFlags(ui), expected[state]) << "state " << state;
        EXPECT_EQ(dialog->phase, state) << "the phase is on record";
    }
    EXPECT_TRUE(ui.control(IDC_SAVE_PATH).enabled && ui.control(IDC_BYTE_BAR).enabled)
        << "controls outside the table are never disabled";
}

TEST(ControlStates, ConnectionMethodSwapsTheVisibleControlsAndKeepsTheirContents) {
    HeadlessUi ui(HeadlessUi::MANUAL_CLOCK);
    ui.SetAddress(IDC_IP_ADDRESS, 0xC0A80064);
    ui.SetControlText(IDC_PORT, "10101");
    const auto ids = {1023, 1005, 1006, 1024, 1025, 1007, 1008};
    SetConnectionMethod(ui, 1);
    EXPECT_FALSE(ui.control(IDC_USB).checked);
    EXPECT_TRUE(ui.control(IDC_WIFI).checked);
    EXPECT_EQ(ShownFlags(ui, ids), "0001111");
    SetConnectionMethod(ui, 0);
    EXPECT_TRUE(ui.control(IDC_USB).checked);
    EXPECT_FALSE(ui.control(IDC_WIFI).checked);
    EXPECT_EQ(ShownFlags(ui, ids), "1110000");
    SetConnectionMethod(ui, 2);
    EXPECT_EQ(ShownFlags(ui, ids), "1110000") << "an unknown method changes nothing";
    EXPECT_TRUE(ui.control(IDC_USB).checked);
    EXPECT_EQ(ui.GetAddress(IDC_IP_ADDRESS), 0xC0A80064u);
    EXPECT_EQ(ControlText(ui, IDC_PORT), "10101");
}

TEST(ProgressDisplay, ByteProgressTextsBarAndUnits) {
    struct Case {
        uint32_t received, total;
        uint16_t file;
        const char* status;
        const char* bytes;
        int bar;
    };
    const Case cases[] = {
        {0, 0, 7, "00000007.csv をダウンロード中...", "  0% (0 / 0 byte)", 0},
        {51200, 102400, 3, "00000003.csv をダウンロード中...", " 50% (51200 / 102400 byte)", 50},
        {102401, 102401, 3, "00000003.csv 完了", "100% (100 / 100 Kbyte)", 100},
        {5242880, 20971520, 12, "00000012.csv をダウンロード中...", " 25% (5 / 20 Mbyte)", 25},
        {100000000, 200000000, 1, "00000001.csv をダウンロード中...", " 50% (95 / 190 Mbyte)", 50},
        {102400, 102400, 1, "00000001.csv 完了", "100% (102400 / 102400 byte)", 100},
        {10485760, 10485760, 1, "00000001.csv 完了", "100% (10240 / 10240 Kbyte)", 100},
        {10485761, 10485761, 1, "00000001.csv 完了", "100% (10 / 10 Mbyte)", 100},
        {4294967295u, 4294967295u, 65535, "00065535.csv 完了", "100% (4095 / 4095 Mbyte)", 100},
    };
    for (const Case& k : cases) {
        HeadlessUi ui(HeadlessUi::MANUAL_CLOCK);
        ui.SetProgressPosition(IDC_BYTE_BAR, 77);
        ShowByteProgress(ui, k.received, k.total, k.file);
        SCOPED_TRACE(testing::Message() << k.received << " of " << k.total);
        EXPECT_EQ(ControlText(ui, IDC_STATUS_TEXT), k.status);
        EXPECT_EQ(ControlText(ui, IDC_BYTE_TEXT), k.bytes);
        EXPECT_EQ(ui.control(IDC_BYTE_BAR).position, k.bar);
    }
}

TEST(ProgressDisplay, StatusWordBarsAndFileCountFollowTheRun) {
    HeadlessUi ui(HeadlessUi::MANUAL_CLOCK);
    auto state = NewDialogState();
    state->download.selectedCount = 5;
    for (int i = 0; i < 5; ++i) state->download.selectedPositions[i] = i * 2 + 1;  // 1 3 5 7 9
    state->download.position = 2;

    const struct {
        int kind;
        const char* status;
        ProgressBarState bars;
    } kinds[] = {{2, "00000005.csv エラー", PROGRESS_ERROR},
                 {3, "00000005.csv 中断", PROGRESS_PAUSED},
                 {9, "00000005.csv ", PROGRESS_NORMAL}};  // an unknown kind counts as normal
    for (const auto& k : kinds) {
        SetProgressStatus(*state, ui, k.kind);
        EXPECT_EQ(ControlText(ui, IDC_STATUS_TEXT), k.status) << "kind " << k.kind;
        EXPECT_EQ(ui.control(IDC_BYTE_BAR).barState, k.bars) << "kind " << k.kind;
        EXPECT_EQ(ui.control(IDC_FILE_BAR).barState, k.bars) << "kind " << k.kind;
    }

    ui.SetProgressRange(IDC_FILE_BAR, 0, 5);
    ShowFileCount(*state, ui, 2);
    EXPECT_EQ(ControlText(ui, IDC_FILE_TEXT), "2 / 5");
    EXPECT_EQ(ui.control(IDC_FILE_BAR).position, 2);

    ShowProgressWidgets(ui, false);
    EXPECT_EQ(ShownFlags(ui, {1016, 1019, 1022, 1018, 1020}), "00000");
    EXPECT_EQ(ControlText(ui, IDC_FILE_TEXT), "2 / 5") << "hiding keeps the contents";
    ShowProgressWidgets(ui, true);
    EXPECT_EQ(ShownFlags(ui, {1016, 1019, 1022, 1018, 1020}), "11111");
}

TEST(MessageCatalogue, EveryEntryHasItsIconAnEmptyCaptionAndItsText) {
    HeadlessUi ui(HeadlessUi::MANUAL_CLOCK);
    auto dialog = NewDialogState();
    for (int n = 0; n < 9; ++n) ShowCatalogueMessage(*dialog, ui, n);
    const Texts texts = {
        "ログファイルのダウンロードに対応していません。", "応答がありません。計測器から切断しました。",
        "データ転送中にエラーが発生しました。", "ログファイルが作成できませんでした。",
        "設定の取得に失敗しました。", "設定に失敗しました。", "不明なエラーが発生しました。",
        "中断しました。", "本体にSDカードが挿入されていません。"};
    const uint32_t types[] = {0x30, 0x30, 0x10, 0x10, 0x10, 0x10, 0x10, 0x40, 0x10};
    ASSERT_EQ(ui.messageBoxes().size(), 9u);
    for (int n = 0; n < 9; ++n) {
        const auto& box = ui.messageBoxes()[static_cast<size_t>(n)];
        EXPECT_EQ(box.type, types[n]) << "message " << n;
        EXPECT_EQ(box.caption, "") << "message " << n;
        EXPECT_EQ(box.text, texts[static_cast<size_t>(n)]) << "message " << n;
    }
}

TEST(MainDialog, InitShowsCaptionSettingsAndStateZeroWithProgressHidden) {
    HeadlessUi ui(HeadlessUi::MANUAL_CLOCK);
    auto state = NewDialogState();
    state->settings.connection.method = 1;
    std::snprintf(state->settings.connection.host, sizeof state->settings.connection.host, "abc");
    state->settings.connection.dService = 10101;
    std::snprintf(state->settings.savePath, sizeof state->settings.savePath, "/srv/logs");
    ui.SetControlText(IDC_BYTE_TEXT, "50%(512/1024byte)");
    ui.SetControlText(IDC_FILE_TEXT, "5/10");
    ui.SetControlText(IDC_STATUS_TEXT, "00000000.csv をダウンロード中...");
    ui.SetProgressPosition(IDC_BYTE_BAR, 40);

    InitMainDialog(*state, ui);
    // The caption's number is the one version of the build, as "%d.%02d" shows it.
    char version[16];
    std::snprintf(version, sizeof version, "%d.%02d", QV_VERSION_MAJOR, QV_VERSION_MINOR);
    EXPECT_STREQ(version, QV_VERSION_TEXT);
    EXPECT_EQ(ui.caption(), "QV-500ログファイルダウンローダー Ver. " QV_VERSION_TEXT);
    EXPECT_EQ(ui.GetAddress(IDC_IP_ADDRESS), 0xFFFFFFFFu);
    EXPECT_EQ(ControlText(ui, IDC_IP_ADDRESS), "255.255.255.255");
    EXPECT_EQ(ControlText(ui, IDC_PORT), "10101");
    EXPECT_EQ(ControlText(ui, IDC_SAVE_PATH), "/srv/logs");
    EXPECT_TRUE(ui.control(IDC_WIFI).checked);
    EXPECT_EQ(EnabledFlags(ui), "10111111100000000");
    EXPECT_EQ(ShownFlags(ui, {1016, 1019, 1022, 1018, 1020}), "00000");
    EXPECT_EQ(ControlText(ui, IDC_BYTE_TEXT) + ControlText(ui, IDC_FILE_TEXT) + ControlText(ui, IDC_STATUS_TEXT), "");
    EXPECT_EQ(ui.control(IDC_BYTE_BAR).position, 0);
    EXPECT_EQ(ui.control(IDC_FILE_BAR).high, 100);
}

// Where InitMainDialog puts the 440-pixel dialog stored at (left, top) on
// `screen`, and the address it shows for `host`.
struct Opened {
    ScreenPoint at;
    uint32_t address;
    std::string addressText;
};

Opened OpenDialog(int32_t left, int32_t top, const ScreenArea& screen, const char* host = "") {
    HeadlessUi ui(HeadlessUi::MANUAL_CLOCK);
    ui.screen = screen;
    ui.MoveDialog(12345, 678);  // so that a dialog left unmoved shows
    auto state = NewDialogState();
    FakeFtdi ftdi;  // no instruments, and no platform looked at
    FakeDeviceSetup setup;
    state->ftdiProbe = &ftdi;
    state->deviceSetupProbe = &setup;
    state->settings.windowPosition = WindowPosition{SHOW_STATE_NORMAL, left, top, 300, 400};
    std::snprintf(state->settings.connection.host, sizeof state->settings.connection.host, "%s", host);
    InitMainDialog(*state, ui);
    return Opened{ScreenPoint{ui.left(), ui.top()}, ui.GetAddress(IDC_IP_ADDRESS),
                  ControlText(ui, IDC_IP_ADDRESS)};
}

TEST(MainDialog, StartPositionNegativesBecomeZeroAndUnreachablePositionsTheOrigin) {
    const ScreenArea screen{0, 0, 1920, 1080};
    const struct {
        int32_t left, top, x, y;
    } cases[] = {
        {100, 50, 100, 50},     {-20, -5, 0, 0},        {-100, 400, 0, 400},
        {1800, 1000, 1800, 1000},  // caption still grippable at the corner
        {1900, 50, 0, 0},          // only 20 pixels left on screen
        {100, 1060, 0, 0},         {5000, 3000, 0, 0},
        {INT32_MAX, INT32_MAX, 0, 0},
    };
    for (const auto& c : cases) {
        const ScreenPoint point = OpenDialog(c.left, c.top, screen).at;
        EXPECT_EQ(point.x, c.x) << "stored " << c.left << "," << c.top;
        EXPECT_EQ(point.y, c.y) << "stored " << c.left << "," << c.top;
    }
    // A second monitor to the right keeps a position there.
    const ScreenArea twoScreens{0, 0, 3840, 1080};
    EXPECT_EQ(OpenDialog(2500, 100, twoScreens).at.x, 2500);
}

TEST(MainDialog, AnyStoredPositionOpensAtTheOriginOrWhereItsCaptionCanBeGrabbed) {
    std::mt19937 random(0x5E771265);
    for (int round = 0; round < 3000; ++round) {
        const int32_t left = static_cast<int32_t>(random());
        const int32_t top = static_cast<int32_t>(random());
        const ScreenArea screen{0, 0, 1 + static_cast<int32_t>(random() % 4000),
                                1 + static_cast<int32_t>(random() % 3000)};
        const ScreenPoint at = OpenDialog(left, top, screen).at;
        const bool origin = at.x == 0 && at.y == 0;
        ASSERT_TRUE(origin || (at.x >= 0 && at.x + 32 <= screen.right && at.y >= 0 &&
                               at.y + 32 <= screen.bottom))
            << left << "," << top << " opens at " << at.x << "," << at.y;
    }
}

TEST(MainDialog, HostTextIsShownAsInetAddrReadsIt) {
    const ScreenArea screen{0, 0, 1920, 1080};
    const Opened trailing = OpenDialog(0, 0, screen, "127.0.0.1 x");
    EXPECT_EQ(trailing.address, 0x7F000001u);
    EXPECT_EQ(trailing.addressText, "127.0.0.1");
    EXPECT_EQ(OpenDialog(0, 0, screen, "127.0.0.1x").addressText, "255.255.255.255");
}

TEST(MainDialog, CommandsThatAreNotTheirsChangeNothing) {
    Conversation c;  // Wi-Fi, not connected
    const std::string before = Snapshot(c);
    EXPECT_TRUE(c.dialog.Command(IDC_USB, 1));
    EXPECT_TRUE(c.dialog.Command(IDC_WIFI, 5));
    EXPECT_TRUE(c.dialog.Command(IDC_COM_PORT, 0));
    EXPECT_TRUE(c.dialog.Command(IDC_DATES, 0));
    EXPECT_TRUE(c.dialog.Command(IDC_TIMES, 4));
    EXPECT_EQ(c.state->settings.connection.method, 1);
    for (int id : {1, 1009, 1015, 1018, 1028})
        EXPECT_FALSE(c.dialog.Command(id, 0)) << "id " << id;
    EXPECT_EQ(Snapshot(c), before);

    // The address and the port are taken over only when they lose the focus.
    c.ui.SetAddress(IDC_IP_ADDRESS, 0x0A000007);
    c.ui.SetControlText(IDC_PORT, "8080");
    c.Command(IDC_IP_ADDRESS, 0x100);
    c.Command(IDC_PORT, 0x300);
    EXPECT_STREQ(c.state->settings.connection.host, "");
    EXPECT_EQ(c.state->settings.connection.dService, 10101);
    c.Command(IDC_IP_ADDRESS, EN_KILLFOCUS_CODE);
    c.Command(IDC_PORT, EN_KILLFOCUS_CODE);
    EXPECT_STREQ(c.state->settings.connection.host, "10.0.0.7");
    EXPECT_EQ(c.state->settings.connection.dService, 8080);
}

TEST(MainDialog, ConnectOverUsbWithNoInstrumentDoesNothingAtAll) {
    Conversation c;
    c.Command(IDC_USB, BN_CLICKED_CODE);
    ASSERT_EQ(c.state->settings.connection.method, 0);
    EXPECT_TRUE(c.Shown(IDC_COM_PORT));
    const std::string before = Snapshot(c);
    EXPECT_TRUE(c.dialog.Command(IDC_CONNECT));
    EXPECT_EQ(Snapshot(c), before);
    EXPECT_EQ(c.StateFlags(), STATE_0);
    c.Advance(5000);
    EXPECT_TRUE(c.TakeSent().empty());
    EXPECT_TRUE(c.MessageTexts().empty());
}

TEST(InetAddress, ReadsAsTheSocketsLibraryDoes) {
    struct Case {
        const char* text;
        uint32_t address;
    };
    const Case cases[] = {
        {"192.168.0.100", 0xC0A80064}, {"10.1", 0x0A000001},       {"10.1.2", 0x0A010002},
        {"3232235620", 0xC0A80064},    {"0300.0250.0.0144", 0xC0A80064},
        {"0xC0.0xa8.0.0X64", 0xC0A80064}, {"0xC0A80064", 0xC0A80064}, {"1.2.65535", 0x0102FFFF},
        {"127.0.0.1 ", 0x7F000001},    {"0", 0},
        // Whatever follows a white-space character is not looked at.
        {"127.0.0.1 x", 0x7F000001},   {"127.0.0.1\tx", 0x7F000001},
        {"0x1.0x2.3.4 junk", 0x01020304},
        // Rejected: all ones.
        {"abc", 0xFFFFFFFF},       {"", 0xFFFFFFFF},          {"1.2.3.4.5", 0xFFFFFFFF},
        {"256.1.1.1", 0xFFFFFFFF}, {"1.2.3.256", 0xFFFFFFFF}, {"1.2.65536", 0xFFFFFFFF},
        {"1.16777216", 0xFFFFFFFF}, {"4294967296", 0xFFFFFFFF}, {"08", 0xFFFFFFFF},
        {"0x", 0xFFFFFFFF},        {"1..2", 0xFFFFFFFF},      {"1.2.3.4x", 0xFFFFFFFF},
        {"1.2.3.", 0xFFFFFFFF},    {" 1.2.3.4", 0xFFFFFFFF},  {"a.b.c.d", 0xFFFFFFFF},
    };
    for (const Case& k : cases)
        EXPECT_EQ(ParseInetAddress(k.text), k.address) << "\"" << k.text << "\"";
}

}  // namespace
