#include "DialogHarness.h"

#include <utility>

namespace {

ModalDriver* activeDriver = nullptr;

struct TextSearch {
    const std::string* text;
    bool found;
};

BOOL CALLBACK MatchText(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<TextSearch*>(lParam);
    if (WindowTextA(window) == *search->text) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

TestDialog::TestDialog(int templateId) {
    m_window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr,
                                  Proc, reinterpret_cast<LPARAM>(this));
}

TestDialog::~TestDialog() {
    if (m_window != nullptr) DestroyWindow(m_window);
}

INT_PTR CALLBACK TestDialog::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<TestDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (self == nullptr) return FALSE;
    if (message == WM_TIMER || (message >= WM_APP && message <= WM_APP + 3)) {
        self->received.push_back(ReceivedMessage{message, wParam, lParam});
        return TRUE;
    }
    return FALSE;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
            if (done()) return true;
        }
        if (done()) return true;
        const DWORD passed = GetTickCount() - start;
        if (passed >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - passed, QS_ALLINPUT);
    }
}

void PumpPending() {
    MSG message;
    for (int i = 0; i < 100000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

ModalDriver::ModalDriver(std::function<bool()> step, int maxTicks)
    : m_step(std::move(step)), m_ticksLeft(maxTicks) {
    activeDriver = this;
    m_timer = SetTimer(nullptr, 0, 20, Tick);
}

ModalDriver::ModalDriver(HWND owner, std::function<void(HWND)> act)
    : ModalDriver([owner, act = std::move(act)] {
          HWND shown = FindOwnedDialog(owner);
          if (shown != nullptr) act(shown);
          return shown != nullptr;
      }) {}

ModalDriver::~ModalDriver() {
    if (m_timer != 0) KillTimer(nullptr, m_timer);
    activeDriver = nullptr;
}

void CALLBACK ModalDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalDriver* self = activeDriver;
    if (self == nullptr || self->m_finished) return;
    if (self->m_ticksLeft-- <= 0 || self->m_step()) {
        self->m_finished = true;
        KillTimer(nullptr, self->m_timer);
        self->m_timer = 0;
    }
}

int IconWidth(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return 0;
    BITMAP bitmap{};
    GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

std::u16string WindowTextW(HWND window) {
    wchar_t text[512] = {};
    const int length = GetWindowTextW(window, text, 512);
    return std::u16string(reinterpret_cast<const char16_t*>(text), length > 0 ? length : 0);
}

std::string WindowTextA(HWND window) {
    char text[512] = {};
    const int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

bool HasChildWithText(HWND parent, const std::string& text) {
    TextSearch search{&text, false};
    EnumChildWindows(parent, MatchText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
