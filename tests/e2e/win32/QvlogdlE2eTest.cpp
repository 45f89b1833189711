// qvlogdl.exe end to end: the real program, started in a folder of its own,
// driven through window messages against simulated instruments over TCP and
// over a COM port, its files compared with the simulator's catalogue.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "DialogDriver.h"
#include "DialogProcess.h"
#include "E2eOptions.h"
#include "TestFolders.h"
#include "ui/controls/ControlIds.h"

namespace {

// Every wait of the test has one of these bounds; a catalogue or a run of
// three 5000-byte files takes well under a second.
constexpr DWORD START_MS = 30000;
constexpr DWORD STEP_MS = 60000;
constexpr DWORD EXIT_MS = 30000;

constexpr int FILES_PER_RUN = 3;

// The control-state table: which states enable each of the seventeen controls.
struct StateColumn {
    int id;
    bool enabled[4];
};
const StateColumn STATE_TABLE[] = {
    {IDC_CONNECT, {true, false, false, false}},
    {IDC_DISCONNECT, {false, true, false, false}},
    {IDC_USB, {true, false, false, false}},
    {IDC_WIFI, {true, false, false, false}},
    {IDC_REFRESH_DEVICES, {true, false, false, false}},
    {IDC_COM_PORT, {true, false, false, false}},
    {IDC_IP_ADDRESS, {true, false, false, false}},
    {IDC_PORT, {true, false, false, false}},
    {IDC_CHOOSE_FOLDER, {true, true, false, false}},
    {IDC_DOWNLOAD, {false, true, false, false}},
    {IDC_ABORT, {false, false, true, false}},
    {IDC_LOG_SETTINGS, {false, true, false, false}},
    {IDC_SELECT_ALL, {false, true, false, false}},
    {IDC_REFRESH_CATALOGUE, {false, true, false, false}},
    {IDC_DATES, {false, true, false, false}},
    {IDC_TIMES, {false, true, false, false}},
    {IDC_FILES, {false, true, false, false}},
};

const int PROGRESS_WIDGETS[] = {IDC_BYTE_BAR, IDC_FILE_BAR, IDC_STATUS_TEXT, IDC_BYTE_TEXT,
                                IDC_FILE_TEXT};

// The controls whose enabling differs from control state `state`, empty when
// none does.
std::string StateMismatch(const DialogDriver& dialog, int state) {
    std::string wrong;
    for (const StateColumn& column : STATE_TABLE) {
        const bool enabled = dialog.Enabled(column.id);
        if (enabled != column.enabled[state]) {
            wrong += " " + std::to_string(column.id) + (enabled ? " enabled" : " disabled");
        }
    }
    return wrong;
}

bool InState(const DialogDriver& dialog, int state) { return StateMismatch(dialog, state).empty(); }

std::string HiddenProgressWidgets(const DialogDriver& dialog, bool shown) {
    std::string wrong;
    for (int id : PROGRESS_WIDGETS) {
        if (dialog.Visible(id) != shown) wrong += " " + std::to_string(id);
    }
    return wrong;
}

// "20240507_090500" as the date and time lists show it.
std::string DateText(const std::string& run) {
    return run.substr(0, 4) + "/" + run.substr(4, 2) + "/" + run.substr(6, 2);
}
std::string TimeText(const std::string& run) {
    return run.substr(9, 2) + ":" + run.substr(11, 2) + ":" + run.substr(13, 2);
}

std::string FileName(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "%08d.csv", number);
    return name;
}

// Whether `logs` holds `run`'s file `number` exactly as the catalogue has it.
void ExpectSameFile(const std::string& logs, const std::string& run, int number) {
    bool expectedOk = false, gotOk = false;
    const std::string expected =
        ReadWhole(TestOptions().expected + "\\" + run + "\\" + FileName(number), expectedOk);
    const std::string got = ReadWhole(logs + "\\" + run + "_" + FileName(number), gotOk);
    ASSERT_TRUE(expectedOk) << "catalogue file " << run << "/" << FileName(number) << " missing";
    ASSERT_TRUE(gotOk) << run << "_" << FileName(number) << " was not written";
    EXPECT_EQ(got.size(), expected.size()) << run << "_" << FileName(number);
    EXPECT_TRUE(got == expected) << run << "_" << FileName(number) << " differs from the catalogue";
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += name + " ";
    return text;
}

std::vector<std::string> CatalogueRuns() { return FolderNames(TestOptions().expected); }

// A started qvlogdl.exe and its dialog, for one test case.
class QvlogdlTest : public ::testing::Test {
protected:
    // Starts qvlogdl.exe in a fresh folder `name`; with `withLogs` the save
    // folder is its subfolder logs, set through setting.ini beforehand.
    void Start(const std::string& name, bool withLogs, const std::string& dllFolder = std::string()) {
        folder = FreshFolder(TestOptions().work, name);
        ASSERT_FALSE(folder.empty()) << "cannot make " << TestOptions().work << "\\" << name;
        if (withLogs) {
            logs = FreshFolder(folder, "logs");
            ASSERT_FALSE(logs.empty());
            ASSERT_TRUE(WriteSavePath(folder, logs));
        }
        process.reset(new DialogProcess(TestOptions().qvlogdl, folder, dllFolder));
        ASSERT_TRUE(process->Started());
        HWND window = process->WaitForDialog(START_MS);
        ASSERT_NE(window, nullptr) << "no dialog captioned " << Printable(MAIN_CAPTION)
                                   << " within " << START_MS << " ms";
        dialog.reset(new DialogDriver(window));
    }

    // Connects over Wi-Fi to 127.0.0.1:port, typed in as a user does: into
    // the address, Tab, into the port, Tab.
    void ConnectWifi(int port) {
        ASSERT_TRUE(dialog->Click(IDC_WIFI));
        EXPECT_TRUE(dialog->Checked(IDC_WIFI));
        EXPECT_TRUE(dialog->Visible(IDC_IP_ADDRESS) && dialog->Visible(IDC_PORT));
        EXPECT_FALSE(dialog->Visible(IDC_COM_PORT));
        dialog->Focus(IDC_IP_ADDRESS);
        dialog->SetAddress(IDC_IP_ADDRESS, MAKEIPADDRESS(127, 0, 0, 1));
        dialog->Focus(IDC_PORT);
        dialog->SetText(IDC_PORT, std::to_string(port));
        dialog->Focus(IDC_CONNECT);
        ASSERT_TRUE(dialog->Click(IDC_CONNECT));
    }

    // Waits for a catalogue read to end with `files` in the file list.
    void WaitForCatalogue(int files) {
        const bool read = WaitUntil(
            [&] { return InState(*dialog, 1) && dialog->Count(IDC_FILES) == files; }, STEP_MS);
        ASSERT_TRUE(read) << "no catalogue of " << files << " files within " << STEP_MS << " ms:"
                          << dialog->Describe();
    }

    // Presses Download and waits for the run to end.
    void Download(int selected) {
        ASSERT_EQ(dialog->SelectedCount(IDC_FILES), selected) << dialog->Describe();
        ASSERT_TRUE(dialog->Click(IDC_DOWNLOAD));
        // The whole of state 1: the dialog enables its controls one after the
        // other, and the list boxes come after Download and Abort.
        const bool ended = WaitUntil([&] { return InState(*dialog, 1); }, STEP_MS);
        ASSERT_TRUE(ended) << "the download did not end within " << STEP_MS << " ms:"
                           << dialog->Describe();
        EXPECT_EQ(dialog->OwnedMessageBox(), nullptr) << dialog->Describe();
        EXPECT_EQ(StateMismatch(*dialog, 1), "");
        const std::string count = std::to_string(selected) + " / " + std::to_string(selected);
        EXPECT_EQ(dialog->Text(IDC_FILE_TEXT), count);
        EXPECT_EQ(dialog->ProgressPosition(IDC_FILE_BAR), selected);
        EXPECT_EQ(dialog->ProgressPosition(IDC_BYTE_BAR), 100);
        EXPECT_EQ(dialog->Text(IDC_BYTE_TEXT), "100% (5000 / 5000 byte)");
        EXPECT_EQ(HiddenProgressWidgets(*dialog, true), "") << "progress widgets not shown";
    }

    // Closes the dialog as its close box does and waits for the process.
    void CloseAndWait() {
        dialog->Close();
        DWORD exitCode = 1;
        ASSERT_TRUE(process->WaitForExit(EXIT_MS, exitCode))
            << "qvlogdl.exe still runs " << EXIT_MS << " ms after WM_CLOSE:" << dialog->Describe();
        EXPECT_EQ(exitCode, 0u);
    }

    std::string folder;
    std::string logs;
    std::unique_ptr<DialogProcess> process;
    std::unique_ptr<DialogDriver> dialog;
};

TEST_F(QvlogdlTest, StartsNotConnectedAndWritesItsSettingsAtClose) {
    Start("fresh-start", false);
    EXPECT_EQ(Printable(dialog->Caption()), Printable(MAIN_CAPTION));
    EXPECT_EQ(StateMismatch(*dialog, 0), "") << dialog->Describe();
    EXPECT_EQ(HiddenProgressWidgets(*dialog, false), "") << "progress widgets shown";
    // No settings: USB, and the save folder is the start folder.
    EXPECT_TRUE(dialog->Checked(IDC_USB));
    EXPECT_TRUE(dialog->Visible(IDC_COM_PORT));
    EXPECT_FALSE(dialog->Visible(IDC_IP_ADDRESS));
    EXPECT_EQ(dialog->Count(IDC_COM_PORT), 0) << "Wine has no instrument of its own";
    EXPECT_EQ(dialog->Text(IDC_SAVE_PATH), folder);
    RECT at{};
    ASSERT_TRUE(GetWindowRect(dialog->Window(), &at));

    CloseAndWait();
    EXPECT_EQ(IniValue(folder, "connection", "method"), "USB");
    EXPECT_EQ(IniValue(folder, "connection", "com"), "1");
    EXPECT_EQ(IniValue(folder, "connection", "host"), "192.168.0.100");
    EXPECT_EQ(IniValue(folder, "connection", "dService"), "10101");
    EXPECT_EQ(IniValue(folder, "log", "path"), folder);
    // Where the dialog stood when it closed, not the default of start-up.
    char position[64];
    std::snprintf(position, sizeof position, "%ld,%ld,%ld,%ld,normal", at.left, at.top, at.right,
                  at.bottom);
    EXPECT_EQ(IniValue(folder, "window", "mainPosition"), position);
}

TEST_F(QvlogdlTest, DownloadsEveryFileOfBothRunsOverWifi) {
    const std::vector<std::string> runs = CatalogueRuns();
    ASSERT_EQ(runs.size(), 2u) << "the catalogue is two runs of one day: " << Joined(runs);
    Start("wifi", true);
    EXPECT_EQ(dialog->Text(IDC_SAVE_PATH), logs);
    ConnectWifi(TestOptions().tcpPort);
    WaitForCatalogue(FILES_PER_RUN);

    // The earliest run is chosen; both runs are listed.
    ASSERT_EQ(dialog->Count(IDC_DATES), 1) << dialog->Describe();
    EXPECT_EQ(dialog->Entry(IDC_DATES, 0), DateText(runs[0]));
    ASSERT_EQ(dialog->Count(IDC_TIMES), 2) << dialog->Describe();
    EXPECT_EQ(dialog->Entry(IDC_TIMES, 0), TimeText(runs[0]));
    EXPECT_EQ(dialog->Entry(IDC_TIMES, 1), TimeText(runs[1]));
    EXPECT_EQ(dialog->Text(IDC_TIMES), TimeText(runs[0]));
    for (int i = 0; i < FILES_PER_RUN; ++i) EXPECT_EQ(dialog->Entry(IDC_FILES, i), FileName(i));

    ASSERT_TRUE(dialog->Click(IDC_SELECT_ALL));
    Download(FILES_PER_RUN);
    EXPECT_EQ(Printable(dialog->Text(IDC_STATUS_TEXT)), Printable(FileName(FILES_PER_RUN - 1) + " 完了"));
    for (int i = 0; i < FILES_PER_RUN; ++i) ExpectSameFile(logs, runs[0], i);

    // The later run, chosen in the start-time list.
    dialog->ChooseEntry(IDC_TIMES, 1);
    EXPECT_EQ(HiddenProgressWidgets(*dialog, false), "") << "progress widgets shown";
    WaitForCatalogue(FILES_PER_RUN);
    EXPECT_EQ(dialog->Text(IDC_TIMES), TimeText(runs[1]));
    ASSERT_TRUE(dialog->Click(IDC_SELECT_ALL));
    Download(FILES_PER_RUN);
    for (int i = 0; i < FILES_PER_RUN; ++i) ExpectSameFile(logs, runs[1], i);
    EXPECT_EQ(FileNames(logs).size(), 2u * FILES_PER_RUN) << Joined(FileNames(logs));

    // The address and port typed in are taken over when the focus leaves them.
    CloseAndWait();
    EXPECT_EQ(IniValue(folder, "connection", "method"), "WIFI");
    EXPECT_EQ(IniValue(folder, "connection", "host"), "127.0.0.1");
    EXPECT_EQ(IniValue(folder, "connection", "dService"), std::to_string(TestOptions().tcpPort));
}

TEST_F(QvlogdlTest, DownloadsSelectedFilesOverTheComPort) {
    const std::vector<std::string> runs = CatalogueRuns();
    ASSERT_FALSE(runs.empty());
    Start("usb", true, TestOptions().ftdiFolder);
    // The instrument that the FTDI driver reports, on the pseudo-terminal's port.
    ASSERT_TRUE(dialog->Checked(IDC_USB));
    ASSERT_EQ(dialog->Count(IDC_COM_PORT), 1) << dialog->Describe();
    const std::string line = "QV-520R [S/N:5B0008] (COM" + std::to_string(TestOptions().comPort) + ")";
    EXPECT_EQ(dialog->Entry(IDC_COM_PORT, 0), line);
    dialog->ChooseEntry(IDC_COM_PORT, 0);
    ASSERT_TRUE(dialog->Click(IDC_CONNECT));
    WaitForCatalogue(FILES_PER_RUN);
    EXPECT_EQ(dialog->Text(IDC_TIMES), TimeText(runs[0]));

    dialog->SelectEntry(IDC_FILES, 0, true);
    dialog->SelectEntry(IDC_FILES, 2, true);
    Download(2);
    EXPECT_EQ(Printable(dialog->Text(IDC_STATUS_TEXT)), Printable(FileName(2) + " 完了"));
    ExpectSameFile(logs, runs[0], 0);
    ExpectSameFile(logs, runs[0], 2);
    EXPECT_EQ(FileNames(logs).size(), 2u) << Joined(FileNames(logs));

    // Disconnect answers over the line and brings the dialog back to the start.
    ASSERT_TRUE(dialog->Click(IDC_DISCONNECT));
    EXPECT_TRUE(WaitUntil([&] { return InState(*dialog, 0); }, STEP_MS)) << dialog->Describe();
    EXPECT_EQ(HiddenProgressWidgets(*dialog, false), "") << "progress widgets shown";
    CloseAndWait();
    EXPECT_EQ(IniValue(folder, "connection", "method"), "USB");
    EXPECT_EQ(IniValue(folder, "connection", "com"), std::to_string(TestOptions().comPort));
}

TEST_F(QvlogdlTest, TellsOfAMissingSdCardAndStaysConnected) {
    Start("no-sd-card", true);
    ConnectWifi(TestOptions().noSdPort);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = dialog->OwnedMessageBox()) != nullptr; }, STEP_MS))
        << "no message box within " << STEP_MS << " ms:" << dialog->Describe();
    EXPECT_EQ(Printable(MessageBoxText(box)), Printable("本体にSDカードが挿入されていません。"));
    char caption[64] = {};
    GetWindowTextA(box, caption, sizeof caption);
    EXPECT_STREQ(caption, "");
    ASSERT_TRUE(PressOk(box));
    EXPECT_TRUE(WaitUntil([&] { return dialog->OwnedMessageBox() == nullptr; }, STEP_MS));
    EXPECT_TRUE(WaitUntil([&] { return InState(*dialog, 1); }, STEP_MS))
        << "not in control state 1:" << StateMismatch(*dialog, 1) << dialog->Describe();
    EXPECT_EQ(dialog->Count(IDC_FILES), 0);
    CloseAndWait();
    EXPECT_EQ(FileNames(logs).size(), 0u);
}

}  // namespace
