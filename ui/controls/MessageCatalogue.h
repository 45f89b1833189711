// Every error or notice the dialog reports, by number, and the one way to
// show it.
#pragma once

#include <cstdint>

#include "ui/controls/UiPort.h"

struct DialogState;

struct MessageEntry {
    uint32_t type;  // icon flag; one OK button
    const char* caption;
    const char* text;
};

constexpr uint32_t MB_ICON_ERROR = 0x10;
constexpr uint32_t MB_ICON_WARNING = 0x30;
constexpr uint32_t MB_ICON_INFORMATION = 0x40;

enum CatalogueMessage : int {
    MSG_UNSUPPORTED = 0,
    MSG_NO_RESPONSE = 1,
    MSG_TRANSFER_ERROR = 2,
    MSG_FILE_NOT_CREATED = 3,
    MSG_SETTINGS_READ_FAILED = 4,
    MSG_SETTINGS_WRITE_FAILED = 5,
    MSG_UNKNOWN_ERROR = 6,
    MSG_ABORTED = 7,
    MSG_NO_SD_CARD = 8,
};

constexpr int CATALOGUE_SIZE = 9;

const MessageEntry& CatalogueEntry(int number);
// Shows message `number` and records it as the last one shown, so drivers
// learn of it without reading the box's text.
void ShowCatalogueMessage(DialogState& state, UiPort& ui, int number);
