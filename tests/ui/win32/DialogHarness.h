// Test harness for the real dialogs: a hidden modeless dialog from one of the
// product's templates with a procedure that records what reaches it, the
// fixture of the seam's tests over the main one, a message pump with a
// deadline, and a driver that acts on modal windows from inside their own
// message loops.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/win32/WindowSearch.h"
#include "ui/controls/ControlIds.h"
#include "ui/win32/Win32UiPort.h"

struct ReceivedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class TestDialog {
public:
    explicit TestDialog(int templateId);
    ~TestDialog();
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

    HWND Window() const { return m_window; }
    HWND Item(int id) const { return GetDlgItem(m_window, id); }
    // WM_TIMER and the four application messages, in arrival order.
    std::vector<ReceivedMessage> received;

private:
    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND m_window = nullptr;
};

// The hidden main dialog and the Win32 seam over it.
class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(dialog.Window(), nullptr); }
    TestDialog dialog{IDD_MAIN};
    Win32UiPort ui{dialog.Window()};
};

// Dispatches this thread's messages until `done` holds or `timeoutMs` passed;
// returns whether `done` held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Dispatches what is queued now (bounded).
void PumpPending();

// Calls `step` every 20 ms from a thread timer, which also fires inside the
// modal loops of message boxes and dialogs, until it returns true. Gives up
// after `maxTicks` steps. One driver at a time.
class ModalDriver {
public:
    ModalDriver(std::function<bool()> step, int maxTicks = 250);
    // Acts once on the dialog or message box that `owner` shows, when it
    // shows.
    ModalDriver(HWND owner, std::function<void(HWND)> act);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;
    bool Finished() const { return m_finished; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    std::function<bool()> m_step;
    int m_ticksLeft;
    bool m_finished = false;
    UINT_PTR m_timer = 0;
};

// Whether any descendant of `parent` shows exactly `text`.
bool HasChildWithText(HWND parent, const std::string& text);

// The width in pixels of `icon`'s bitmap; 0 when `icon` is no icon (any
// more).
int IconWidth(HICON icon);

std::u16string WindowTextW(HWND window);
std::string WindowTextA(HWND window);
