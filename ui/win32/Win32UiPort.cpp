#include "ui/win32/Win32UiPort.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <climits>
#include <cstring>

#include "settings/TextField.h"
#include "ui/controls/ControlIds.h"
#include "ui/win32/LogSettingsDialog.h"

static_assert(PROGRESS_NORMAL == PBST_NORMAL && PROGRESS_ERROR == PBST_ERROR &&
                  PROGRESS_PAUSED == PBST_PAUSED,
              "progress states are the common control's own numbers");

namespace {

// A thread's queue holds at most 10000 posted messages, so no discard can
// find more than that; the bound keeps a flood from another thread from
// holding the dialog here.
constexpr int MAX_DISCARDED = 10000;

int ClampToInt(size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

// The browser needs COM on this thread; this keeps it for the call only,
// balanced whoever else initialised it before.
class ComScope {
public:
    ComScope() : m_initialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (m_initialised) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool m_initialised;
};

}  // namespace

LRESULT Win32UiPort::Send(int id, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendDlgItemMessageA(m_dialog, id, message, wParam, lParam);
}

bool Win32UiPort::IsListBox(int id) {
    char name[16] = {};
    HWND control = GetDlgItem(m_dialog, id);
    return control != nullptr && GetClassNameA(control, name, sizeof name) > 0 &&
           lstrcmpiA(name, "ListBox") == 0;
}

bool Win32UiPort::PostDialogMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PostMessageA(m_dialog, message, wParam, lParam) != 0;
}

void Win32UiPort::DiscardPosted(uint32_t first, uint32_t last) {
    MSG message;
    for (int i = 0; i < MAX_DISCARDED; ++i) {
        if (!PeekMessageA(&message, m_dialog, first, last, PM_REMOVE)) break;
    }
}

void Win32UiPort::EnableControl(int id, bool enable) {
    EnableWindow(GetDlgItem(m_dialog, id), enable ? TRUE : FALSE);
}

void Win32UiPort::ShowControl(int id, bool show) {
    ShowWindow(GetDlgItem(m_dialog, id), show ? SW_SHOW : SW_HIDE);
}

void Win32UiPort::SetControlText(int id, const char* text) { SetDlgItemTextA(m_dialog, id, text); }

size_t Win32UiPort::GetControlText(int id, char* buffer, size_t size) {
    if (size == 0) return 0;
    buffer[0] = '\0';
    const UINT length = GetDlgItemTextA(m_dialog, id, buffer, ClampToInt(size));
    buffer[length < size ? length : size - 1] = '\0';
    return std::strlen(buffer);
}

void Win32UiPort::SetCheck(int id, bool checked) {
    CheckDlgButton(m_dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void Win32UiPort::ResetList(int id) {
    Send(id, IsListBox(id) ? LB_RESETCONTENT : CB_RESETCONTENT, 0, 0);
}

int Win32UiPort::AddListEntry(int id, const char* text) {
    const LRESULT index =
        Send(id, IsListBox(id) ? LB_ADDSTRING : CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    return index < 0 ? -1 : static_cast<int>(index);
}

int Win32UiPort::ListCount(int id) {
    const LRESULT count = Send(id, IsListBox(id) ? LB_GETCOUNT : CB_GETCOUNT, 0, 0);
    return count < 0 ? 0 : static_cast<int>(count);
}

int Win32UiPort::ListSelection(int id) {
    const LRESULT index = Send(id, IsListBox(id) ? LB_GETCURSEL : CB_GETCURSEL, 0, 0);
    return index < 0 ? -1 : static_cast<int>(index);
}

void Win32UiPort::SetListSelection(int id, int index) {
    if (!IsListBox(id)) {
        Send(id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return;
    }
    const LONG_PTR style = GetWindowLongPtrA(GetDlgItem(m_dialog, id), GWL_STYLE);
    if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
        // -1 in lParam addresses every entry: a negative index clears them.
        Send(id, LB_SETSEL, index >= 0 ? TRUE : FALSE, index >= 0 ? index : -1);
    } else {
        Send(id, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

int Win32UiPort::FindListPrefix(int id, const char* prefix) {
    // Start -1 searches the whole list from its first entry.
    const LRESULT index = Send(id, IsListBox(id) ? LB_FINDSTRING : CB_FINDSTRING,
                               static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(prefix));
    return index < 0 ? -1 : static_cast<int>(index);
}

int Win32UiPort::SelectedPositions(int id, int* positions, int max) {
    if (max <= 0) return 0;
    const LRESULT count = Send(id, LB_GETSELITEMS, static_cast<WPARAM>(max),
                               reinterpret_cast<LPARAM>(positions));
    if (count < 0) return 0;
    return count > max ? max : static_cast<int>(count);
}

void Win32UiPort::SelectAllEntries(int id) { Send(id, LB_SETSEL, TRUE, -1); }

void Win32UiPort::SetProgressRange(int id, int low, int high) {
    Send(id, PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}

void Win32UiPort::SetProgressPosition(int id, int position) {
    Send(id, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32UiPort::SetProgressState(int id, ProgressBarState state) {
    Send(id, PBM_SETSTATE, static_cast<WPARAM>(state), 0);
}

void Win32UiPort::SetAddress(int id, uint32_t address) {
    Send(id, IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
}

uint32_t Win32UiPort::GetAddress(int id) {
    DWORD address = 0;
    Send(id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    return address;
}

void Win32UiPort::ShowMessageBox(uint32_t type, const char* caption, const char* text) {
    MessageBoxA(m_dialog, text, caption, type);
}

bool Win32UiPort::ChooseFolder(const char* title, char* path, size_t size) {
    if (size == 0) return false;
    ComScope com;
    char displayName[MAX_PATH] = {};
    BROWSEINFOA browse = {};
    browse.hwndOwner = m_dialog;
    browse.pidlRoot = nullptr;  // the desktop
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
    if (chosen == nullptr) return false;
    char full[MAX_PATH] = {};
    const bool named = SHGetPathFromIDListA(chosen, full) != FALSE;
    CoTaskMemFree(chosen);
    // A folder without a file-system path leaves the caller's path alone.
    if (!named) return false;
    CopyBounded(path, size, full);
    return true;
}

int Win32UiPort::RunLogSettingsDialog(LogSettingsAnswer& answer) {
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LOG_SETTINGS), m_dialog,
                        LogSettingsDialogProc, reinterpret_cast<LPARAM>(&answer));
    return result == IDOK ? 1 : 0;
}

void Win32UiPort::SetDialogTimer(uint32_t id, uint32_t milliseconds) {
    SetTimer(m_dialog, id, milliseconds, nullptr);
}

void Win32UiPort::KillDialogTimer(uint32_t id) { KillTimer(m_dialog, id); }

void Win32UiPort::SetCaption(const char* text) { SetWindowTextA(m_dialog, text); }

void Win32UiPort::MoveDialog(int left, int top) {
    SetWindowPos(m_dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ScreenArea Win32UiPort::ScreenUnderCaption(int left, int top) {
    // The caption's strip as tall as the grip it needs: the monitor nearest
    // to it, or sharing most of it, is where a user would reach for it.
    const RECT strip{left, top, left + DialogWidth(), top + GetSystemMetrics(SM_CYCAPTION)};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromRect(&strip, MONITOR_DEFAULTTONEAREST), &monitor))
        return ScreenArea{0, 0, 0, 0};
    const RECT& work = monitor.rcWork;
    return ScreenArea{work.left, work.top, work.right, work.bottom};
}

int Win32UiPort::DialogWidth() {
    RECT window;
    return GetWindowRect(m_dialog, &window) ? window.right - window.left : 0;
}

WindowPosition Win32UiPort::GetPlacement() {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    WindowPosition out = {};
    if (!GetWindowPlacement(m_dialog, &placement)) return out;
    out.left = placement.rcNormalPosition.left;
    out.top = placement.rcNormalPosition.top;
    out.right = placement.rcNormalPosition.right;
    out.bottom = placement.rcNormalPosition.bottom;
    out.showState = placement.showCmd == SW_SHOWMINIMIZED || IsIconic(m_dialog)   ? SHOW_STATE_MINIMIZED
                    : placement.showCmd == SW_SHOWMAXIMIZED || IsZoomed(m_dialog) ? SHOW_STATE_MAXIMIZED
                                                                                   : SHOW_STATE_NORMAL;
    return out;
}

void Win32UiPort::EndDialog(int result) { ::EndDialog(m_dialog, result); }
