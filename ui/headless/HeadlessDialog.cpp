#include "ui/headless/HeadlessDialog.h"

#include <algorithm>

#include "ui/MainDialog.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/DialogState.h"

namespace {

// A peer that never stops sending would keep Settle busy for ever.
constexpr int SETTLE_PASSES_MAX = 100000;
// Bytes that never make a frame (a peer sending only noise) keep the line
// from going quiet for at most this long after the last handled message.
constexpr auto TRICKLE_LIMIT = std::chrono::seconds(10);

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

bool HeadlessDialog::WaitsUntimed() const {
    return m_state.awaitedReplies.any() && !m_ui.TimerRunning(TIMER_REPLY);
}

HeadlessDialog::StepEnd HeadlessDialog::RunStep(const StepRules& rules) {
    using RealClock = std::chrono::steady_clock;
    const auto start = RealClock::now();
    const bool manual = m_ui.Mode() == HeadlessUi::MANUAL_CLOCK;
    uint64_t lastActivity = m_ui.Now();
    auto handledAt = start;
    auto lineMovedAt = start;
    uint64_t received = m_state.link ? m_state.link->BytesReceived() : 0;
    bool pressedAbort = false;
    int quietPasses = 0;
    for (;;) {
        if (rules.realLimit.count() > 0 && RealClock::now() - start > rules.realLimit)
            return StepEnd::OUT_OF_TIME;
        if (rules.beforePass && rules.beforePass()) return StepEnd::ENDED_BY_CALLER;
        const bool handled = WaitAndDispatch(rules.wait);
        const auto now = RealClock::now();
        // A frame still on its way counts byte by byte: over a slow line it
        // takes many passes to become whole.
        const uint64_t receivedNow = m_state.link ? m_state.link->BytesReceived() : 0;
        const bool bytesCame = receivedNow != received && now - handledAt < TRICKLE_LIMIT;
        received = receivedNow;
        if (handled) {
            lastActivity = m_ui.Now();
            handledAt = now;
        }
        if (handled || bytesCame) {
            lineMovedAt = now;
            quietPasses = 0;
        } else {
            ++quietPasses;
        }
        if (rules.afterPass && rules.afterPass(handled)) return StepEnd::ENDED_BY_CALLER;
        // A refused connect still waits, untimed, for an acceptance: one
        // already on the line (refusal and acceptance in one burst) is
        // given its passes before the step ends.
        if (AtRest() && (quietPasses >= rules.quietPasses || !WaitsUntimed())) return StepEnd::AT_REST;
        if (quietPasses < rules.quietPasses) continue;
        quietPasses = 0;
        if (rules.onQuiet) rules.onQuiet();
        // The clock jumps only when nothing can be on its way: there is no
        // line, or it has been silent for longer than the peer may pause.
        const bool lineGone = !m_state.link || !m_state.link->m_open || m_state.link->ChannelLost();
        if (manual && !lineGone && now - lineMovedAt < rules.longestPeerPause) continue;
        // Nor while bytes that came are still on their way to the dialog: a
        // parser thread kept from running is no silent peer.
        if (manual && !lineGone && !m_state.link->ParserCaughtUp()) continue;
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
