// Reading the instrument's catalogue into the date, time and file controls,
// and the data-block exchange that lists and files arrive through.
#pragma once

#include <cstdint>

#include "link/Frame.h"
#include "retrieval/RetrievalObserver.h"
#include "ui/controls/UiPort.h"

struct DialogState;

void RequestDates(DialogState& state, UiPort& ui);
void RequestTimes(DialogState& state, UiPort& ui);
void RequestFileCount(DialogState& state, UiPort& ui);

void OnListReply(DialogState& state, UiPort& ui, const CommandRequest& reply);
void OnFileCountReply(DialogState& state, UiPort& ui, const CommandRequest& reply);
void OnDataBlock(DialogState& state, UiPort& ui, const CommandRequest& block);
// TIMER_BLOCK fired: ask for the block again, or give up after five times.
void OnBlockTimeout(DialogState& state, UiPort& ui);

// TIMER_BLOCK, through these alone, so the dialog knows whether it runs.
void StartBlockWatch(DialogState& state, UiPort& ui);
void StopBlockWatch(DialogState& state, UiPort& ui);
// Ends the sequence in hand as a transfer error: both bars in error,
// message 2, control state 1; `refuseBlock` answers the block in hand with
// ACK_CANCEL first.
void EndInTransferError(DialogState& state, UiPort& ui, bool refuseBlock, EndReason reason);

// Each returns the number of entries it added.
int AddDates(DialogState& state, UiPort& ui, int32_t length, const uint8_t* data);
int AddTimes(DialogState& state, UiPort& ui, int32_t length, const uint8_t* data);
void FillFileList(UiPort& ui, int count);
// A date or start time as its combo entry shows it, "YYYY/MM/DD" and
// "HH:MM:SS"; whoever clicks an entry by its text makes it here too.
void DateEntryText(char* text, size_t size, unsigned year, unsigned month, unsigned day);
void TimeEntryText(char* text, size_t size, unsigned hour, unsigned minute, unsigned second);

// The most entries a date or time combo takes: as many as the file list can
// hold. Records past them are dropped, so a peer that never stops sending
// them cannot make the dialog grow without end.
constexpr int LIST_ENTRIES_MAX = 65535;

// The "none" entry of an empty list.
extern const char* const EMPTY_LIST_TEXT;
