#include "retrieval/Catalogue.h"

#include <cstdio>
#include <cstring>

#include "retrieval/CommandRequests.h"
#include "retrieval/Commands.h"
#include "retrieval/Download.h"
#include "retrieval/Tell.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/ControlStates.h"
#include "ui/controls/DialogState.h"
#include "ui/controls/MessageCatalogue.h"

const char* const EMPTY_LIST_TEXT = "none";

namespace {

constexpr size_t ENTRY_TEXT = CATALOGUE_TEXT_MAX + 1;

// The number in text[first..first+count) read digit by digit, unchecked, as
// the combo texts are fixed-format. Positions past the text read as 0.
uint32_t DigitsAt(const char* text, size_t first, size_t count) {
    const size_t length = std::strlen(text);
    uint32_t value = 0;
    for (size_t i = first; i < first + count; ++i) {
        const int c = i < length ? static_cast<unsigned char>(text[i]) : '0';
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    return value;
}

// Reads the entry the combo shows. "none" or nothing has no digits to send:
// then nothing is asked and the user is idle.
bool TakeCatalogueEntry(DialogState& state, UiPort& ui, int id, char* text) {
    ui.GetControlText(id, text, ENTRY_TEXT);
    if (ui.ListSelection(id) >= 0 && std::strcmp(text, EMPTY_LIST_TEXT) != 0 && text[0] != 0) return true;
    SetControlState(state, ui, CONTROLS_IDLE);
    return false;
}

void SelectRemembered(UiPort& ui, int id, const char* remembered) {
    ui.SetListSelection(id, 0);
    const int match = ui.FindListPrefix(id, remembered);
    if (match >= 0) ui.SetListSelection(id, match);
}

void EndListEmpty(DialogState& state, UiPort& ui, int id) {
    ui.AddListEntry(id, EMPTY_LIST_TEXT);
    ui.SetListSelection(id, 0);
    SetControlState(state, ui, CONTROLS_IDLE);
    state.refreshPending = false;
}

void OnLastListBlock(DialogState& state, UiPort& ui, uint8_t kind) {
    state.blockSequence = NO_SEQUENCE;
    const int id = kind == BLOCK_KIND_DATES ? IDC_DATES : IDC_TIMES;
    if (ui.ListCount(id) == 0) {
        EndListEmpty(state, ui, id);
        return;
    }
    if (kind == BLOCK_KIND_DATES) {
        if (state.refreshPending) SelectRemembered(ui, id, state.rememberedDate);
        RequestTimes(state, ui);
    } else {
        if (state.refreshPending) SelectRemembered(ui, id, state.rememberedTime);
        RequestFileCount(state, ui);
        state.refreshPending = false;
    }
}

}  // namespace

void EndInTransferError(DialogState& state, UiPort& ui, bool refuseBlock, EndReason reason) {
    state.blockSequence = NO_SEQUENCE;
    StopBlockWatch(state, ui);
    EndPendingAbort(state, ui);
    CloseOutputFile(state);
    SetProgressStatus(state, ui, PROGRESS_ERROR);
    if (refuseBlock) PostResponse(state, ui, CMD_DATA_BLOCK, ACK_CANCEL);
    EndWith(state, ui, reason, MSG_TRANSFER_ERROR);
    SetControlState(state, ui, CONTROLS_IDLE);
}

void StartBlockWatch(DialogState& state, UiPort& ui) {
    state.blockWatchRunning = true;
    ui.SetDialogTimer(TIMER_BLOCK, BLOCK_TIMEOUT_MS);
}

void StopBlockWatch(DialogState& state, UiPort& ui) {
    state.blockWatchRunning = false;
    ui.KillDialogTimer(TIMER_BLOCK);
}


void RequestDates(DialogState& state, UiPort& ui) {
    ui.ResetList(IDC_DATES);
    ui.ResetList(IDC_TIMES);
    ui.ResetList(IDC_FILES);
    PostRequest(state, ui, CMD_GET_DATES, 0, 0, nullptr);
}

void RequestTimes(DialogState& state, UiPort& ui) {
    ui.ResetList(IDC_TIMES);
    ui.ResetList(IDC_FILES);
    char text[ENTRY_TEXT];
    if (!TakeCatalogueEntry(state, ui, IDC_DATES, text)) return;
    LogSelection& s = state.selection;
    s.year = static_cast<uint16_t>(DigitsAt(text, 0, 4));
    s.month = static_cast<uint8_t>(DigitsAt(text, 5, 2));
    s.day = static_cast<uint8_t>(DigitsAt(text, 8, 2));
    s.hour = s.minute = s.second = 0;
    s.fileNumber = 0;
    uint8_t payload[4] = {0, 0, s.month, s.day};
    WriteBig16(payload, s.year);
    PostRequest(state, ui, CMD_GET_TIMES, 0, sizeof payload, payload);
}

void RequestFileCount(DialogState& state, UiPort& ui) {
    ui.ResetList(IDC_FILES);
    char text[ENTRY_TEXT];
    if (!TakeCatalogueEntry(state, ui, IDC_TIMES, text)) return;
    LogSelection& s = state.selection;
    s.hour = static_cast<uint8_t>(DigitsAt(text, 0, 2));
    s.minute = static_cast<uint8_t>(DigitsAt(text, 3, 2));
    s.second = static_cast<uint8_t>(DigitsAt(text, 6, 2));
    s.fileNumber = 0;
    uint8_t payload[7] = {0, 0, s.month, s.day, s.hour, s.minute, s.second};
    WriteBig16(payload, s.year);
    PostRequest(state, ui, CMD_GET_FILE_COUNT, 0, sizeof payload, payload);
}

void OnListReply(DialogState& state, UiPort& ui, const CommandRequest& reply) {
    if (reply.status == STATUS_OK) {  // the blocks follow
        state.blockSequence = reply.command == CMD_GET_DATES ? BLOCK_KIND_DATES : BLOCK_KIND_TIMES;
        return;
    }
    EndPendingAbort(state, ui);
    EndOnReplyStatus(state, ui, reply.status);
    SetControlState(state, ui, CONTROLS_IDLE);
}

void OnFileCountReply(DialogState& state, UiPort& ui, const CommandRequest& reply) {
    // A reply too short to hold the count would list whatever an older frame
    // left in the slot.
    if (reply.status != STATUS_OK || reply.length < 2) {
        EndPendingAbort(state, ui);
        if (reply.status != STATUS_OK) EndOnReplyStatus(state, ui, reply.status);
        else EndWith(state, ui, EndReason::REPLY_TOO_SHORT, MSG_TRANSFER_ERROR);
        SetControlState(state, ui, CONTROLS_IDLE);
        return;
    }
    FillFileList(ui, ReadBig16(reply.data));
    Tell(state, &RetrievalObserver::FilesCounted, state.selection, static_cast<int>(ReadBig16(reply.data)));
    SetControlState(state, ui, CONTROLS_IDLE);
}

void DateEntryText(char* text, size_t size, unsigned year, unsigned month, unsigned day) {
    std::snprintf(text, size, "%04u/%02u/%02u", year, month, day);
}

void TimeEntryText(char* text, size_t size, unsigned hour, unsigned minute, unsigned second) {
    std::snprintf(text, size, "%02u:%02u:%02u", hour, minute, second);
}

int AddDates(DialogState& state, UiPort& ui, int32_t length, const uint8_t* data) {
    char text[ENTRY_TEXT];
    int added = 0;
    for (int32_t i = 0; i + 4 <= length && ui.ListCount(IDC_DATES) < LIST_ENTRIES_MAX; i += 4) {
        const uint16_t year = ReadBig16(data + i);
        DateEntryText(text, sizeof text, year, data[i + 2], data[i + 3]);
        ui.AddListEntry(IDC_DATES, text);
        Tell(state, &RetrievalObserver::DateListed, year, data[i + 2], data[i + 3]);
        ++added;
    }
    ui.SetListSelection(IDC_DATES, 0);
    return added;
}

int AddTimes(DialogState& state, UiPort& ui, int32_t length, const uint8_t* data) {
    char text[ENTRY_TEXT];
    int added = 0;
    for (int32_t i = 0; i + 3 <= length && ui.ListCount(IDC_TIMES) < LIST_ENTRIES_MAX; i += 3) {
        TimeEntryText(text, sizeof text, data[i], data[i + 1], data[i + 2]);
        ui.AddListEntry(IDC_TIMES, text);
        Tell(state, &RetrievalObserver::TimeListed, data[i], data[i + 1], data[i + 2]);
        ++added;
    }
    ui.SetListSelection(IDC_TIMES, 0);
    return added;
}

void FillFileList(UiPort& ui, int count) {
    ui.ResetList(IDC_FILES);
    char text[ENTRY_TEXT];
    for (int number = 0; number < count; ++number) {
        std::snprintf(text, sizeof text, "%08d.csv", number);
        ui.AddListEntry(IDC_FILES, text);
    }
}

void OnDataBlock(DialogState& state, UiPort& ui, const CommandRequest& block) {
    const uint8_t flags = block.status;
    const uint8_t kind = flags & BLOCK_KIND_MASK;
    const bool inSequence = state.blockSequence != NO_SEQUENCE;
    // More than a frame can carry: the slot kept only the first 1024 bytes,
    // so taking it would leave a hole in the file.
    const bool oversized = block.length > static_cast<int32_t>(FRAME_PAYLOAD_MAX);
    if (inSequence && ((flags & BLOCK_ERROR) || oversized)) {
        EndInTransferError(state, ui, true, oversized ? EndReason::OVERSIZED_BLOCK : EndReason::ERROR_BLOCK);
        return;
    }
    if (AbortPending(state)) {
        StopBlockWatch(state, ui);
        ui.KillDialogTimer(TIMER_ABORT);
        PostResponse(state, ui, CMD_DATA_BLOCK, ACK_CANCEL);
        FinishAbort(state, ui);
        return;
    }
    // A block no sequence waits for: refused, and nothing else changes.
    if (!inSequence || (kind != state.blockSequence && kind != BLOCK_KIND_UNUSED)) {
        PostResponse(state, ui, CMD_DATA_BLOCK, ACK_CANCEL);
        return;
    }
    const int32_t length = block.length;
    // The list keeps whole records only.
    if (kind == BLOCK_KIND_DATES ? length % 4 != 0 : kind == BLOCK_KIND_TIMES && length % 3 != 0)
        Tell(state, &RetrievalObserver::RecordCut);
    bool brought = false;
    switch (kind) {
    case BLOCK_KIND_DATES: brought = AddDates(state, ui, length, block.data) > 0; break;
    case BLOCK_KIND_TIMES: brought = AddTimes(state, ui, length, block.data) > 0; break;
    case BLOCK_KIND_FILE:
        if (!OnFileData(state, ui, flags, length, block.data)) return;
        brought = length > 0;
        break;
    default: break;
    }
    PostResponse(state, ui, CMD_DATA_BLOCK, ACK_OK);
    if (flags & BLOCK_LAST) {
        StopBlockWatch(state, ui);
        if (kind == BLOCK_KIND_DATES || kind == BLOCK_KIND_TIMES) OnLastListBlock(state, ui, kind);
        else if (kind == BLOCK_KIND_FILE) OnEndOfFile(state, ui);
        return;
    }
    // Blocks that bring nothing do not hold the watch off: a peer that
    // sends only those is given up on as one that sends nothing.
    if (!brought && state.blockWatchRunning) return;
    state.retryCount = 0;
    StartBlockWatch(state, ui);
}

void OnBlockTimeout(DialogState& state, UiPort& ui) {
    StopBlockWatch(state, ui);
    if (state.retryCount++ < BLOCK_RESENDS) {
        PostResponse(state, ui, CMD_DATA_BLOCK, ACK_RESEND);
        StartBlockWatch(state, ui);
        return;
    }
    EndInTransferError(state, ui, false, EndReason::BLOCKS_STOPPED);
}
