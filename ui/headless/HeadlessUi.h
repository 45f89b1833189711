// The dialog in memory: controls by id with their texts, flags, entries and
// bars; message boxes recorded and, once what is ready has been handled
// under them as a real box's own message loop would, closed as by OK;
// timers on a clock that is real or advanced by hand. Used by the
// command-line tool and by tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/controls/UiPort.h"
#include "ui/headless/MessageQueue.h"

class HeadlessUi : public UiPort {
public:
    enum ClockMode { REAL_CLOCK, MANUAL_CLOCK };

    struct Control {
        std::string text;
        bool enabled = true;
        bool shown = true;
        bool checked = false;
        bool sorted = false;
        bool multipleSelection = false;
        std::vector<std::string> entries;
        std::vector<bool> selected;  // multiple-selection lists
        int selection = -1;          // combo boxes
        int low = 0, high = 100, position = 0;
        ProgressBarState barState = PROGRESS_NORMAL;
        uint32_t address = 0;
    };

    struct MessageBoxRecord {
        uint32_t type;
        std::string caption;
        std::string text;
    };

    explicit HeadlessUi(ClockMode mode);

    // UiPort.
    bool PostDialogMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void DiscardPosted(uint32_t first, uint32_t last) override;
    void EnableControl(int id, bool enable) override;
    void ShowControl(int id, bool show) override;
    void SetControlText(int id, const char* text) override;
    size_t GetControlText(int id, char* buffer, size_t size) override;
    void SetCheck(int id, bool checked) override;
    void ResetList(int id) override;
    int AddListEntry(int id, const char* text) override;
    int ListCount(int id) override;
    int ListSelection(int id) override;
    void SetListSelection(int id, int index) override;
    int FindListPrefix(int id, const char* prefix) override;
    int SelectedPositions(int id, int* positions, int max) override;
    void SelectAllEntries(int id) override;
    void SetProgressRange(int id, int low, int high) override;
    void SetProgressPosition(int id, int position) override;
    void SetProgressState(int id, ProgressBarState state) override;
    void SetAddress(int id, uint32_t address) override;
    uint32_t GetAddress(int id) override;
    void ShowMessageBox(uint32_t type, const char* caption, const char* text) override;
    bool ChooseFolder(const char* title, char* path, size_t size) override;
    int RunLogSettingsDialog(LogSettingsAnswer& answer) override;
    void SetDialogTimer(uint32_t id, uint32_t milliseconds) override;
    void KillDialogTimer(uint32_t id) override;
    void SetCaption(const char* text) override;
    void MoveDialog(int left, int top) override;
    ScreenArea ScreenUnderCaption(int, int) override { return screen; }
    int DialogWidth() override { return dialogWidth; }
    WindowPosition GetPlacement() override;
    void EndDialog(int) override;

    // What a user would do with the list box: toggle an entry's selection.
    void SelectEntry(int id, int index, bool selected);
    // A control by id, made on first use: what a test or driver reads or sets.
    Control& control(int id);
    const std::vector<MessageBoxRecord>& messageBoxes() const { return m_messageBoxes; }
    void ClearMessageBoxes() { m_messageBoxes.clear(); }
    // Called for every message box, after it is recorded (e.g. to print it).
    std::function<void(const MessageBoxRecord&)> onMessageBox;
    // The box's own message loop: handles the posted messages and due timers
    // that are ready while the box is up. Set by the driver that dispatches.
    std::function<void()> whileMessageBoxUp;

    // One screen as large as positions go, unless a test sets it; the main
    // dialog's width at 96 dots per inch.
    ScreenArea screen{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    int dialogWidth = 440;

    // Answers of the modal dialogs. The folder chooser cancels when empty.
    std::string folderAnswer;
    // The log-settings dialog: given the initial contents, edit them and
    // return 1 (OK) or 0 (Cancel). Cancels when unset.
    std::function<int(LogSettingsAnswer&)> logSettingsAnswer;

    // The clock, in milliseconds since the UI was made.
    ClockMode Mode() const { return m_mode; }
    uint64_t Now() const;
    // Moves a manual clock forward.
    void Advance(uint64_t milliseconds);
    // The earliest running timer; false when none runs.
    bool NextTimer(uint32_t& id, uint64_t& due) const;
    bool TimerRunning(uint32_t id) const { return m_timers.count(id) != 0; }
    // Removes and returns a timer that is due now.
    bool TakeDueTimer(uint32_t& id);

    MessageQueue& queue() { return m_queue; }
    bool ended() const { return m_ended; }
    std::string caption() const { return m_caption; }
    int left() const { return m_left; }
    int top() const { return m_top; }

private:
    ClockMode m_mode;
    std::chrono::steady_clock::time_point m_start;
    uint64_t m_manualNow = 0;
    std::map<int, Control> m_controls;
    std::map<uint32_t, uint64_t> m_timers;  // id -> due time
    std::vector<MessageBoxRecord> m_messageBoxes;
    MessageQueue m_queue;
    std::string m_caption;
    int m_left = 0, m_top = 0;
    bool m_ended = false;
    int m_boxesUp = 0;
};
