#include "ui/headless/HeadlessDialog.h"

#include <algorithm>

#include "ui/MainDialog.h"

bool HeadlessDialog::DispatchOne() {
    PostedMessage message{};
    if (m_ui.queue().TryTake(message)) {
        OnAppMessage(m_state, m_ui, message.message, message.wParam, message.lParam);
        return true;
    }
    uint32_t timer = 0;
    if (m_ui.TakeDueTimer(timer)) {
        DialogTimerProc(m_state, m_ui, timer);
        return true;
    }
    return false;
}

bool HeadlessDialog::WaitAndDispatch(std::chrono::milliseconds wait) {
    if (DispatchOne()) return true;
    uint32_t timer = 0;
    uint64_t due = 0;
    if (m_ui.NextTimer(timer, due)) {
        const uint64_t now = m_ui.Now();
        const uint64_t untilDue = due > now ? due - now : 0;
        wait = std::min(wait, std::chrono::milliseconds(untilDue));
    }
    PostedMessage message{};
    if (m_ui.queue().WaitTake(message, wait)) {
        OnAppMessage(m_state, m_ui, message.message, message.wParam, message.lParam);
        return true;
    }
    return DispatchOne();
}

bool HeadlessDialog::Command(int id, uint32_t notification) {
    const uintptr_t wParam = static_cast<uintptr_t>(notification) << 16 | static_cast<uint16_t>(id);
    return OnCommand(m_state, m_ui, wParam);
}
