// Drives a dialog of another process the way a user's input reaches it:
// window messages to its controls, read back through messages and window
// state. Every send has a bound, so a hung dialog fails the test instead of
// holding it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class DialogDriver {
public:
    explicit DialogDriver(HWND dialog) : m_dialog(dialog) {}

    HWND Window() const { return m_dialog; }
    HWND Item(int id) const { return GetDlgItem(m_dialog, id); }

    // A click of an enabled, visible button (BM_CLICK); false, with a test
    // failure, for a control a user could not press.
    bool Click(int id);
    // A choice in a drop-down list: CB_SETCURSEL, then the CBN_SELCHANGE the
    // dialog would get from the user's pick.
    void ChooseEntry(int id, int index);
    // LB_SETSEL of one entry of a multiple-selection list.
    void SelectEntry(int id, int index, bool selected);
    void SetAddress(int id, DWORD address);
    void SetText(int id, const std::string& text);
    // Moves the keyboard focus to a control as the Tab key does.
    void Focus(int id);
    void Close();

    bool Enabled(int id) const;
    bool Visible(int id) const;
    bool Checked(int id) const;
    std::string Text(int id) const;
    std::string Caption() const;
    // Entries of a list box or combo box, and one entry's text.
    int Count(int id) const;
    std::string Entry(int id, int index) const;
    int SelectedCount(int id) const;
    int ProgressPosition(int id) const;

    // The message box (#32770) that the dialog owns, or nullptr.
    HWND OwnedMessageBox() const;

    // What a failing wait prints: every state the test looks at.
    std::string Describe() const;

private:
    LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const;
    HWND m_dialog;
};

// Checks `done` every 20 ms until it holds or `timeoutMs` passed.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// The text of a message box and its OK button.
std::string MessageBoxText(HWND box);
bool PressOk(HWND box);

// A CP932 text as UTF-8, for the test's output.
std::string Printable(const std::string& text);
