#include "ui/headless/HeadlessUi.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "ui/controls/ControlIds.h"

namespace {

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

bool StartsWithIgnoringCase(const std::string& text, const char* prefix) {
    const size_t length = std::strlen(prefix);
    if (text.size() < length) return false;
    for (size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::string DottedAddress(uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF,
                  (address >> 8) & 0xFF, address & 0xFF);
    return text;
}

}  // namespace

HeadlessUi::HeadlessUi(ClockMode mode) : m_mode(mode), m_start(std::chrono::steady_clock::now()) {
    for (int id : {IDC_DATES, IDC_TIMES, IDC_FILES}) m_controls[id].sorted = true;
    m_controls[IDC_FILES].multipleSelection = true;
}

HeadlessUi::Control& HeadlessUi::control(int id) { return m_controls[id]; }

bool HeadlessUi::PostDialogMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return m_queue.PostDialogMessage(message, wParam, lParam);
}

void HeadlessUi::DiscardPosted(uint32_t first, uint32_t last) { m_queue.DiscardPosted(first, last); }

void HeadlessUi::EnableControl(int id, bool enable) { m_controls[id].enabled = enable; }
void HeadlessUi::ShowControl(int id, bool show) { m_controls[id].shown = show; }
void HeadlessUi::SetControlText(int id, const char* text) { m_controls[id].text = text; }

size_t HeadlessUi::GetControlText(int id, char* buffer, size_t size) {
    if (size == 0) return 0;
    Control& c = m_controls[id];
    std::string text = c.text;
    if (id == IDC_IP_ADDRESS) text = DottedAddress(c.address);
    // A drop-down list's text is its selected entry.
    if (!c.multipleSelection && !c.entries.empty() && c.selection >= 0 &&
        static_cast<size_t>(c.selection) < c.entries.size())
        text = c.entries[static_cast<size_t>(c.selection)];
    else if (id == IDC_DATES || id == IDC_TIMES || id == IDC_COM_PORT)
        text.clear();
    const size_t length = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = 0;
    return length;
}

void HeadlessUi::SetCheck(int id, bool checked) { m_controls[id].checked = checked; }
void HeadlessUi::ResetList(int id) {
    Control& c = m_controls[id];
    c.entries.clear();
    c.selected.clear();
    c.selection = -1;
}

int HeadlessUi::AddListEntry(int id, const char* text) {
    Control& c = m_controls[id];
    size_t at = c.entries.size();
    if (c.sorted)
        at = static_cast<size_t>(std::upper_bound(c.entries.begin(), c.entries.end(), std::string(text),
                                                  LessIgnoringCase) - c.entries.begin());
    c.entries.insert(c.entries.begin() + static_cast<long>(at), text);
    c.selected.insert(c.selected.begin() + static_cast<long>(at), false);
    if (c.selection >= static_cast<int>(at)) ++c.selection;
    return static_cast<int>(at);
}

int HeadlessUi::ListCount(int id) { return static_cast<int>(m_controls[id].entries.size()); }
int HeadlessUi::ListSelection(int id) { return m_controls[id].selection; }

void HeadlessUi::SetListSelection(int id, int index) {
    Control& c = m_controls[id];
    c.selection = index >= 0 && static_cast<size_t>(index) < c.entries.size() ? index : -1;
}

int HeadlessUi::FindListPrefix(int id, const char* prefix) {
    const Control& c = m_controls[id];
    for (size_t i = 0; i < c.entries.size(); ++i)
        if (StartsWithIgnoringCase(c.entries[i], prefix)) return static_cast<int>(i);
    return -1;
}

int HeadlessUi::SelectedPositions(int id, int* positions, int max) {
    const Control& c = m_controls[id];
    int count = 0;
    for (size_t i = 0; i < c.selected.size() && count < max; ++i)
        if (c.selected[i]) positions[count++] = static_cast<int>(i);
    return count;
}

void HeadlessUi::SelectAllEntries(int id) {
    Control& c = m_controls[id];
    std::fill(c.selected.begin(), c.selected.end(), true);
}

void HeadlessUi::SelectEntry(int id, int index, bool selected) {
    Control& c = m_controls[id];
    if (index >= 0 && static_cast<size_t>(index) < c.selected.size())
        c.selected[static_cast<size_t>(index)] = selected;
}

void HeadlessUi::SetProgressRange(int id, int low, int high) {
    Control& c = m_controls[id];
    c.low = low;
    c.high = high;
}

void HeadlessUi::SetProgressPosition(int id, int position) {
    Control& c = m_controls[id];
    c.position = std::max(c.low, std::min(c.high, position));
}

void HeadlessUi::SetProgressState(int id, ProgressBarState state) { m_controls[id].barState = state; }
void HeadlessUi::SetAddress(int id, uint32_t address) { m_controls[id].address = address; }
uint32_t HeadlessUi::GetAddress(int id) { return m_controls[id].address; }

void HeadlessUi::ShowMessageBox(uint32_t type, const char* caption, const char* text) {
    m_messageBoxes.push_back(MessageBoxRecord{type, caption, text});
    if (onMessageBox) onMessageBox(m_messageBoxes.back());
    // Boxes stack on Windows too, but a peer that makes one under every box
    // must not take the stack with it.
    constexpr int BOXES_UP_MAX = 8;
    if (!whileMessageBoxUp || m_boxesUp >= BOXES_UP_MAX) return;
    ++m_boxesUp;
    whileMessageBoxUp();
    --m_boxesUp;
}

bool HeadlessUi::ChooseFolder(const char*, char* path, size_t size) {
    if (folderAnswer.empty() || size == 0) return false;
    std::snprintf(path, size, "%s", folderAnswer.c_str());
    return true;
}

int HeadlessUi::RunLogSettingsDialog(LogSettingsAnswer& answer) {
    return logSettingsAnswer ? logSettingsAnswer(answer) : 0;
}

uint64_t HeadlessUi::Now() const {
    if (m_mode == MANUAL_CLOCK) return m_manualNow;
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - m_start).count());
}

void HeadlessUi::Advance(uint64_t milliseconds) { m_manualNow += milliseconds; }

void HeadlessUi::SetDialogTimer(uint32_t id, uint32_t milliseconds) { m_timers[id] = Now() + milliseconds; }
void HeadlessUi::KillDialogTimer(uint32_t id) { m_timers.erase(id); }

bool HeadlessUi::NextTimer(uint32_t& id, uint64_t& due) const {
    bool found = false;
    for (const auto& timer : m_timers) {
        if (!found || timer.second < due) {
            id = timer.first;
            due = timer.second;
            found = true;
        }
    }
    return found;
}

bool HeadlessUi::TakeDueTimer(uint32_t& id) {
    uint64_t due = 0;
    if (!NextTimer(id, due) || due > Now()) return false;
    m_timers.erase(id);
    return true;
}

void HeadlessUi::SetCaption(const char* text) { m_caption = text; }

void HeadlessUi::MoveDialog(int left, int top) {
    m_left = left;
    m_top = top;
}

WindowPosition HeadlessUi::GetPlacement() {
    return WindowPosition{SHOW_STATE_NORMAL, m_left, m_top, m_left, m_top};
}

void HeadlessUi::EndDialog(int) { m_ended = true; }
