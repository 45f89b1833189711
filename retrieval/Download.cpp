#include "retrieval/Download.h"

#include <cstdio>

#include "retrieval/CommandRequests.h"
#include "retrieval/Commands.h"
#include "retrieval/FinishedFile.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/ControlStates.h"
#include "ui/controls/DialogState.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

#ifdef _WIN32
constexpr char PATH_SEPARATOR = '\\';
#else
constexpr char PATH_SEPARATOR = '/';
#endif

void EndRun(DialogState& state, UiPort& ui, int message) {
    ShowCatalogueMessage(state, ui, message);
    SetControlState(state, ui, CONTROLS_IDLE);
}

// The file cannot be had: nothing (more) is written, the instrument is told
// to stop, and the user learns which file.
void RefuseFile(DialogState& state, UiPort& ui, int progressKind) {
    state.blockSequence = NO_SEQUENCE;
    CloseOutputFile(state);
    SetProgressStatus(state, ui, progressKind);
    PostResponse(state, ui, CMD_DATA_BLOCK, ACK_CANCEL);
    EndRun(state, ui, MSG_FILE_NOT_CREATED);
}

bool CreateOutputFile(DialogState& state) {
    char path[FULL_PATH_MAX + 1];
    if (!PartialFilePath(state.selection, state.download.saveFolder, path, sizeof path)) return false;
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    // Unbuffered: each block reaches the system before it is acknowledged,
    // so a failed write refuses that very block.
    std::setvbuf(file, nullptr, _IONBF, 0);
    state.download.outputFile = file;
    return true;
}

bool WriteBlock(std::FILE* file, int32_t length, const uint8_t* data) {
    if (length <= 0) return true;
    return std::fwrite(data, 1, static_cast<size_t>(length), file) == static_cast<size_t>(length);
}

// Closes the finished file and gives it its own name, replacing an older
// file of that name only now that the new one is whole.
bool FinishOutputFile(DialogState& state) {
    CloseOutputFile(state);
    if (state.download.writeFailed) return false;
    char partial[FULL_PATH_MAX + 1];
    char path[FULL_PATH_MAX + 1];
    return PartialFilePath(state.selection, state.download.saveFolder, partial, sizeof partial) &&
           OutputFilePath(state.selection, state.download.saveFolder, path, sizeof path) &&
           ReplaceWithFinishedFile(partial, path);
}

}  // namespace

const char* const PARTIAL_SUFFIX = ".partial";

bool PartialFilePath(const LogSelection& s, const char* folder, char* path, size_t size) {
    char final[FULL_PATH_MAX + 1];
    if (!OutputFilePath(s, folder, final, sizeof final)) return false;
    const int written = std::snprintf(path, size, "%s%s", final, PARTIAL_SUFFIX);
    return written >= 0 && static_cast<size_t>(written) < size &&
           static_cast<size_t>(written) <= FULL_PATH_MAX;
}

bool OutputFilePath(const LogSelection& s, const char* folder, char* path, size_t size) {
    const int written = std::snprintf(path, size, "%s%c%04d%02d%02d_%02d%02d%02d_%08d.csv", folder,
                                      PATH_SEPARATOR, s.year, s.month, s.day, s.hour, s.minute,
                                      s.second, s.fileNumber);
    // Cutting the path short would write some other file: refuse instead.
    return written >= 0 && static_cast<size_t>(written) < size &&
           static_cast<size_t>(written) <= FULL_PATH_MAX;
}

void CloseOutputFile(DialogState& state) {
    std::FILE* file = state.download.outputFile;
    if (file == nullptr) return;
    state.download.outputFile = nullptr;
    if (std::fclose(file) != 0) state.download.writeFailed = true;
}

void StartDownload(DialogState& state, UiPort& ui) {
    DownloadState& d = state.download;
    ui.GetControlText(IDC_SAVE_PATH, d.saveFolder, sizeof d.saveFolder);
    d.selectedCount = ui.SelectedPositions(IDC_FILES, d.selectedPositions, SELECTED_MAX);
    d.position = 0;
    if (d.selectedCount <= 0) {
        d.selectedCount = 0;
        return;
    }
    state.abortRequested = false;
    d.bytesReceived = 0;
    d.totalSize = 0;
    ShowByteProgress(ui, 0, 0, static_cast<uint16_t>(d.selectedPositions[0]));
    ui.SetProgressRange(IDC_FILE_BAR, 0, d.selectedCount);
    ShowFileCount(state, ui, 0);
    SetProgressStatus(state, ui, PROGRESS_NORMAL);
    SetControlState(state, ui, CONTROLS_BUSY);
    ShowProgressWidgets(ui, true);
    state.retryCount = 0;
    RequestFile(state, ui, static_cast<uint16_t>(d.selectedPositions[0]));
}

void RequestAbort(DialogState& state, UiPort& ui) {
    state.abortRequested = true;
    SetControlState(state, ui, CONTROLS_ABORTING);
    ui.SetDialogTimer(TIMER_ABORT, ABORT_TIMEOUT_MS);
}

void RequestFile(DialogState& state, UiPort& ui, uint16_t fileNumber) {
    LogSelection& s = state.selection;
    s.fileNumber = fileNumber;
    const uint8_t payload[9] = {static_cast<uint8_t>(s.year >> 8), static_cast<uint8_t>(s.year),
                                s.month, s.day, s.hour, s.minute, s.second,
                                static_cast<uint8_t>(fileNumber >> 8),
                                static_cast<uint8_t>(fileNumber)};
    PostRequest(state, ui, CMD_GET_FILE, 0, sizeof payload, payload);
    state.download.createPending = true;
}

void OnFileReply(DialogState& state, UiPort& ui, const CommandRequest& reply) {
    DownloadState& d = state.download;
    switch (reply.status) {
    case STATUS_OK:
        if (reply.length < 4) {  // no size in it: not a reply to go on with
            EndRun(state, ui, MSG_TRANSFER_ERROR);
            return;
        }
        d.bytesReceived = 0;
        d.totalSize = ReadBig32(reply.data);
        ShowByteProgress(ui, 0, d.totalSize, state.selection.fileNumber);
        if (d.totalSize == 0) {
            SetControlState(state, ui, CONTROLS_IDLE);
            return;
        }
        state.blockSequence = BLOCK_KIND_FILE;
        return;
    case STATUS_NOT_READY:
        if (state.retryCount++ < FILE_REQUEST_REPEATS) {
            RequestFile(state, ui, state.selection.fileNumber);
            return;
        }
        EndRun(state, ui, MSG_NO_SD_CARD);
        return;
    default:
        EndRun(state, ui, MessageForReplyStatus(reply.status));
        return;
    }
}

bool OnFileData(DialogState& state, UiPort& ui, uint8_t flags, int32_t length,
                const uint8_t* data) {
    DownloadState& d = state.download;
    if (d.createPending) {
        d.createPending = false;
        d.writeFailed = false;
        if (!CreateOutputFile(state)) {
            RefuseFile(state, ui, PROGRESS_PAUSED);
            return false;
        }
    }
    d.bytesReceived += static_cast<uint32_t>(length);
    ShowByteProgress(ui, d.bytesReceived, d.totalSize, state.selection.fileNumber);
    if (d.outputFile != nullptr && !WriteBlock(d.outputFile, length, data)) d.writeFailed = true;
    if ((flags & BLOCK_LAST) && d.outputFile != nullptr && !FinishOutputFile(state))
        d.writeFailed = true;
    // A short file must never pass for a complete one.
    if (d.writeFailed) {
        RefuseFile(state, ui, PROGRESS_ERROR);
        return false;
    }
    return true;
}

void OnEndOfFile(DialogState& state, UiPort& ui) {
    DownloadState& d = state.download;
    state.blockSequence = NO_SEQUENCE;
    ShowFileCount(state, ui, d.position + 1);
    ++d.position;
    if (d.position >= d.selectedCount) {
        SetControlState(state, ui, CONTROLS_IDLE);
        return;
    }
    state.retryCount = 0;
    RequestFile(state, ui, static_cast<uint16_t>(d.selectedPositions[d.position]));
}

bool AbortPending(const DialogState& state) {
    return state.abortRequested && state.phase == CONTROLS_ABORTING;
}

void EndPendingAbort(DialogState& state, UiPort& ui) {
    if (AbortPending(state)) ui.KillDialogTimer(TIMER_ABORT);
}

void FinishAbort(DialogState& state, UiPort& ui) {
    state.blockSequence = NO_SEQUENCE;
    CloseOutputFile(state);
    // The abort is over: a resend request now would restart what the user stopped.
    ui.KillDialogTimer(TIMER_BLOCK);
    SetProgressStatus(state, ui, PROGRESS_PAUSED);
    ShowCatalogueMessage(state, ui, MSG_ABORTED);
    SetControlState(state, ui, CONTROLS_IDLE);
}
