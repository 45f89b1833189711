#include "DialogDriver.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/win32/WindowSearch.h"
#include "ui/controls/ControlIds.h"

namespace {

// Long enough for any handler of the dialog, short enough that a dialog stuck
// in a modal loop of its own shows up as a failure.
constexpr UINT SEND_TIMEOUT_MS = 10000;
constexpr int TEXT_MAX = 1024;
constexpr int MESSAGE_TEXT_ID = 0xFFFF;

bool IsListBox(HWND window) { return lstrcmpiA(ClassName(window).c_str(), "ListBox") == 0; }

std::string TextOf(HWND window) {
    char text[TEXT_MAX] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &length)) {
        ADD_FAILURE() << "WM_GETTEXT to a window of class " << ClassName(window) << " got no answer";
        return std::string();
    }
    text[TEXT_MAX - 1] = '\0';
    return text;
}

}  // namespace

LRESULT DialogDriver::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const {
    DWORD_PTR result = 0;
    if (window == nullptr) {
        ADD_FAILURE() << "message 0x" << std::hex << message << " to a control that is not there";
        return 0;
    }
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS,
                             &result)) {
        ADD_FAILURE() << "message 0x" << std::hex << message << " to control "
                      << std::dec << GetDlgCtrlID(window) << " got no answer within "
                      << SEND_TIMEOUT_MS << " ms";
        return 0;
    }
    return static_cast<LRESULT>(result);
}

bool DialogDriver::Click(int id) {
    if (!Enabled(id) || !Visible(id)) {
        ADD_FAILURE() << "button " << id << " cannot be pressed: " << Describe();
        return false;
    }
    Send(Item(id), BM_CLICK, 0, 0);
    return true;
}

void DialogDriver::ChooseEntry(int id, int index) {
    Send(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Send(m_dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(id)));
}

void DialogDriver::SelectEntry(int id, int index, bool selected) {
    Send(Item(id), LB_SETSEL, selected ? TRUE : FALSE, index);
}

void DialogDriver::SetAddress(int id, DWORD address) {
    Send(Item(id), IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
}

void DialogDriver::SetText(int id, const std::string& text) {
    Send(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void DialogDriver::Focus(int id) {
    Send(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
}

void DialogDriver::Close() { PostMessageA(m_dialog, WM_CLOSE, 0, 0); }

bool DialogDriver::Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }

bool DialogDriver::Visible(int id) const { return IsWindowVisible(Item(id)) != FALSE; }

bool DialogDriver::Checked(int id) const { return Send(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::string DialogDriver::Text(int id) const { return TextOf(Item(id)); }

std::string DialogDriver::Caption() const { return TextOf(m_dialog); }

int DialogDriver::Count(int id) const {
    HWND control = Item(id);
    return static_cast<int>(Send(control, IsListBox(control) ? LB_GETCOUNT : CB_GETCOUNT, 0, 0));
}

std::string DialogDriver::Entry(int id, int index) const {
    // Asked for in UTF-16: Wine hands an ANSI entry text to another process
    // as UTF-16 all the same.
    HWND control = Item(id);
    const bool list = IsListBox(control);
    const LRESULT length = Send(control, list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, index, 0);
    if (length < 0 || length >= TEXT_MAX) return "(no entry " + std::to_string(index) + ")";
    wchar_t wide[TEXT_MAX] = {};
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(control, list ? LB_GETTEXT : CB_GETLBTEXT, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS,
                             &result)) {
        ADD_FAILURE() << "entry " << index << " of control " << id << " could not be read";
        return std::string();
    }
    wide[TEXT_MAX - 1] = L'\0';
    char text[TEXT_MAX * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text - 1, nullptr, nullptr);
    return text;
}

int DialogDriver::SelectedCount(int id) const {
    return static_cast<int>(Send(Item(id), LB_GETSELCOUNT, 0, 0));
}

int DialogDriver::ProgressPosition(int id) const {
    return static_cast<int>(Send(Item(id), PBM_GETPOS, 0, 0));
}

HWND DialogDriver::OwnedMessageBox() const { return FindOwnedDialog(m_dialog); }

std::string DialogDriver::Describe() const {
    static const int CONTROLS[] = {IDC_CONNECT,        IDC_DISCONNECT,   IDC_USB,
                                   IDC_WIFI,           IDC_REFRESH_DEVICES, IDC_COM_PORT,
                                   IDC_IP_ADDRESS,     IDC_PORT,         IDC_CHOOSE_FOLDER,
                                   IDC_DOWNLOAD,       IDC_ABORT,        IDC_LOG_SETTINGS,
                                   IDC_SELECT_ALL,     IDC_REFRESH_CATALOGUE, IDC_DATES,
                                   IDC_TIMES,          IDC_FILES};
    std::string text = "\n  enabled:";
    for (int id : CONTROLS) {
        if (Enabled(id)) text += " " + std::to_string(id);
    }
    text += "\n  dates " + std::to_string(Count(IDC_DATES)) + " [" + Printable(Text(IDC_DATES)) +
            "], times " + std::to_string(Count(IDC_TIMES)) + " [" + Printable(Text(IDC_TIMES)) +
            "], files " + std::to_string(Count(IDC_FILES)) + " (" +
            std::to_string(SelectedCount(IDC_FILES)) + " selected), instruments " +
            std::to_string(Count(IDC_COM_PORT));
    text += "\n  status [" + Printable(Text(IDC_STATUS_TEXT)) + "] bytes [" +
            Printable(Text(IDC_BYTE_TEXT)) + "] files [" + Printable(Text(IDC_FILE_TEXT)) + "]";
    HWND box = OwnedMessageBox();
    if (box != nullptr) text += "\n  message box: " + Printable(MessageBoxText(box));
    return text;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(20);
    }
}

std::string MessageBoxText(HWND box) { return TextOf(GetDlgItem(box, MESSAGE_TEXT_ID)); }

bool PressOk(HWND box) {
    HWND ok = GetDlgItem(box, IDOK);
    if (ok == nullptr) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(ok, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &result) != 0;
}

std::string Printable(const std::string& text) {
    if (text.empty()) return text;
    std::vector<wchar_t> wide(text.size() + 1);
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                               wide.data(), static_cast<int>(wide.size()));
    if (wideLength <= 0) return text;
    std::vector<char> utf8(static_cast<size_t>(wideLength) * 4 + 1);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(),
                                           static_cast<int>(utf8.size()), nullptr, nullptr);
    return length > 0 ? std::string(utf8.data(), static_cast<size_t>(length)) : text;
}
