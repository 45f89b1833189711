// Downloading the selected log files, one after the other, into CSV files in
// the save folder; and the Abort button with its fallback timer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/Frame.h"
#include "ui/controls/LogRecords.h"
#include "ui/controls/UiPort.h"

struct DialogState;

// The Download button.
void StartDownload(DialogState& state, UiPort& ui);
// The Abort button.
void RequestAbort(DialogState& state, UiPort& ui);
void RequestFile(DialogState& state, UiPort& ui, uint16_t fileNumber);
void OnFileReply(DialogState& state, UiPort& ui, const CommandRequest& reply);

// A block of file data, after the error and abort checks. False when the
// block has been answered already and the handler must stop (the output
// file could not be created or written).
bool OnFileData(DialogState& state, UiPort& ui, uint8_t flags, int32_t length,
                const uint8_t* data);
// After the ACK_OK of the last block of a file.
void OnEndOfFile(DialogState& state, UiPort& ui);

// Ends an aborted run (next block refused, or TIMER_ABORT).
void FinishAbort(DialogState& state, UiPort& ui);
// Abort pressed and not yet finished.
bool AbortPending(const DialogState& state);
// A run that ends another way while an abort is pending ends the abort with
// it: its fallback timer must not report the same end a second time.
void EndPendingAbort(DialogState& state, UiPort& ui);
// Disconnect: nothing of the run can follow, so a pending abort ends
// without its message and its timer cannot set the controls afterwards.
void CancelAbort(DialogState& state, UiPort& ui);
// Closes the output file, if one is open, where it lies: a file not
// finished keeps its ".partial" name.
void CloseOutputFile(DialogState& state);

// "YYYYMMDD_HHMMSS_NNNNNNNN.csv" for the selection's run and file number,
// joined to `folder`. False when the path would not fit in 259 characters.
bool OutputFilePath(const LogSelection& selection, const char* folder, char* path, size_t size);

// A file's blocks go to its name with this suffix; only a file whose last
// block was written takes the name itself.
extern const char* const PARTIAL_SUFFIX;
// OutputFilePath with PARTIAL_SUFFIX, under the same limit.
bool PartialFilePath(const LogSelection& selection, const char* folder, char* path, size_t size);
