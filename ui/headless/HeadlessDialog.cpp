#include "ui/headless/HeadlessDialog.h"

#include <algorithm>

#include "ui/MainDialog.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/DialogState.h"

namespace {

// A peer that never stops sending would keep Settle busy for ever.
constexpr int SETTLE_PASSES_MAX = 100000;

}  // namespace

HeadlessDialog::HeadlessDialog(DialogState& state, HeadlessUi& ui) : m_state(state), m_ui(ui) {
    m_ui.whileMessageBoxUp = [this] { Settle(); };
}

HeadlessDialog::~HeadlessDialog() { m_ui.whileMessageBoxUp = nullptr; }

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
    // A link without a parser thread is driven here; one with a thread says no.
    return m_state.link && m_state.link->PollOnce();
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

bool HeadlessDialog::Settle() {
    for (int pass = 0; pass < SETTLE_PASSES_MAX; ++pass)
        if (!DispatchOne()) return true;
    return false;
}

void HeadlessDialog::Advance(uint64_t milliseconds) {
    const uint64_t end = m_ui.Now() + milliseconds;
    Settle();
    uint32_t id = 0;
    uint64_t due = 0;
    while (m_ui.NextTimer(id, due) && due <= end) {
        if (due > m_ui.Now()) m_ui.Advance(due - m_ui.Now());
        Settle();
    }
    if (end > m_ui.Now()) m_ui.Advance(end - m_ui.Now());
    Settle();
}

bool HeadlessDialog::Busy() const {
    return m_state.phase == CONTROLS_BUSY || m_state.phase == CONTROLS_ABORTING;
}

bool HeadlessDialog::AtRest() const {
    return m_ui.queue().Size() == 0 && !m_ui.TimerRunning(TIMER_REPLY) && !m_ui.TimerRunning(TIMER_BLOCK) &&
           !m_ui.TimerRunning(TIMER_ABORT) && !Busy();
}

HeadlessDialog::StepEnd HeadlessDialog::RunStep(const StepRules& rules) {
    const auto start = std::chrono::steady_clock::now();
    const bool manual = m_ui.Mode() == HeadlessUi::MANUAL_CLOCK;
    uint64_t lastActivity = m_ui.Now();
    bool pressedAbort = false;
    int quietPasses = 0;
    for (;;) {
        if (rules.realLimit.count() > 0 && std::chrono::steady_clock::now() - start > rules.realLimit)
            return StepEnd::OUT_OF_TIME;
        if (rules.beforePass && rules.beforePass()) return StepEnd::ENDED_BY_CALLER;
        const bool handled = WaitAndDispatch(rules.wait);
        if (handled) {
            lastActivity = m_ui.Now();
            quietPasses = 0;
        } else {
            ++quietPasses;
        }
        if (rules.afterPass && rules.afterPass(handled)) return StepEnd::ENDED_BY_CALLER;
        if (AtRest()) return StepEnd::AT_REST;
        if (quietPasses < rules.quietPasses) continue;
        quietPasses = 0;
        if (rules.onQuiet) rules.onQuiet();
        uint32_t timer = 0;
        uint64_t due = 0;
        if (m_ui.NextTimer(timer, due)) {
            // Nothing more comes before this watch runs out.
            if (manual && due > m_ui.Now()) m_ui.Advance(due - m_ui.Now());
            continue;
        }
        if (m_ui.queue().Size() != 0) continue;
        const uint64_t giveUpAt = lastActivity + rules.unwatchedMs;
        if (m_ui.Now() < giveUpAt) {
            if (manual) m_ui.Advance(giveUpAt - m_ui.Now());
            continue;
        }
        // Busy, and nothing would ever end it: the user's only way out.
        if (pressedAbort || m_state.phase != CONTROLS_BUSY) return StepEnd::ABANDONED;
        pressedAbort = true;
        ++abortsPressed;
        Command(IDC_ABORT);
        lastActivity = m_ui.Now();
    }
}
