// What a headless dialog shows, read the way tests compare it: the state
// table's controls as 0/1, a control's text and the message boxes' texts.
#pragma once

#include <string>
#include <vector>

#include "ui/controls/ControlIds.h"
#include "ui/headless/HeadlessUi.h"

// Which of the state table's controls are enabled, as 0/1 in the order
// Connect, Disconnect, USB, Save folder, Download, Abort, Select all.
inline std::string StateFlags(HeadlessUi& ui) {
    std::string flags;
    for (int id : {IDC_CONNECT, IDC_DISCONNECT, IDC_USB, IDC_CHOOSE_FOLDER, IDC_DOWNLOAD, IDC_ABORT,
                   IDC_SELECT_ALL})
        flags += ui.control(id).enabled ? '1' : '0';
    return flags;
}

inline std::string ControlText(HeadlessUi& ui, int id) {
    char text[1100];
    ui.GetControlText(id, text, sizeof text);
    return text;
}

inline std::vector<std::string> MessageTexts(const HeadlessUi& ui) {
    std::vector<std::string> texts;
    for (const auto& box : ui.messageBoxes()) texts.push_back(box.text);
    return texts;
}

// Control states as StateFlags shows them.
constexpr const char* STATE_0 = "1011000";
constexpr const char* STATE_1 = "0101101";
constexpr const char* STATE_2 = "0000010";
constexpr const char* STATE_3 = "0000000";
