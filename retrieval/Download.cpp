#include "retrieval/Download.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "retrieval/Catalogue.h"
#include "retrieval/CommandRequests.h"
#include "retrieval/Commands.h"
#include "retrieval/OutputFile.h"
#include "retrieval/Tell.h"
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

// A scanner or an indexer may hold a fresh file for a moment.
constexpr int RENAME_TRIES = 10;
constexpr auto RENAME_PAUSE = std::chrono::milliseconds(100);

void EndRun(DialogState& state, UiPort& ui, EndReason reason, int message) {
    EndPendingAbort(state, ui);
    EndWith(state, ui, reason, message);
    SetControlState(state, ui, CONTROLS_IDLE);
}

// Closes the file where it lies, without a word to the observer.
void CloseFile(DialogState& state) {
    std::FILE* file = state.download.outputFile;
    if (file == nullptr) return;
    state.download.outputFile = nullptr;
    if (std::fclose(file) != 0) state.download.writeFailed = true;
}

// The file cannot be had: nothing (more) is written, the instrument is told
// to stop, and the user learns which file.
void RefuseFile(DialogState& state, UiPort& ui, int progressKind) {
    state.blockSequence = NO_SEQUENCE;
    StopBlockWatch(state, ui);
    CloseOutputFile(state);
    SetProgressStatus(state, ui, progressKind);
    PostResponse(state, ui, CMD_DATA_BLOCK, ACK_CANCEL);
    EndRun(state, ui, EndReason::FILE_PROBLEM, MSG_FILE_NOT_CREATED);
}

// Opens the file's ".partial", held for this download alone. False, with
// nothing opened, when it cannot be, or when the file's own name stands
// taken by something the finished file could not replace: better refused
// now than after the whole transfer.
bool CreateOutputFile(DialogState& state) {
    DownloadState& d = state.download;
    char partial[FULL_PATH_MAX + 1];
    char path[FULL_PATH_MAX + 1];
    d.fileProblem = OutputProblem::NOT_CREATED;
    if (!PartialFilePath(state.selection, d.saveFolder, partial, sizeof partial) ||
        !OutputFilePath(state.selection, d.saveFolder, path, sizeof path))
        return false;
    if (!FinalNameReplaceable(path)) {
        d.fileProblem = OutputProblem::NAME_NOT_REPLACEABLE;
        return false;
    }
    PartialOpen opened = PartialOpen::FAILED;
    std::FILE* file = OpenPartialFile(partial, &opened);
    if (file == nullptr) {
        if (opened == PartialOpen::IN_USE) d.fileProblem = OutputProblem::IN_USE;
        return false;
    }
    // Unbuffered: each block reaches the system before it is acknowledged,
    // so a failed write refuses that very block.
    std::setvbuf(file, nullptr, _IONBF, 0);
    d.outputFile = file;
    d.fileProblem = OutputProblem::NONE;
    return true;
}

void TellFileStarted(const DialogState& state) {
    char path[FULL_PATH_MAX + 1] = "";
    OutputFilePath(state.selection, state.download.saveFolder, path, sizeof path);
    Tell(state, &RetrievalObserver::FileStarted, state.selection, static_cast<const char*>(path),
         state.download.totalSize);
}

bool WriteBlock(std::FILE* file, int32_t length, const uint8_t* data) {
    if (length <= 0) return true;
    return std::fwrite(data, 1, static_cast<size_t>(length), file) == static_cast<size_t>(length);
}

// The finished file takes its own name while still held, so no other
// download can cut it short in between, and only now that it is whole
// does it replace an older file of that name.
bool FinishOutputFile(DialogState& state) {
    DownloadState& d = state.download;
    char partial[FULL_PATH_MAX + 1];
    char path[FULL_PATH_MAX + 1];
    bool renamed = false;
    if (!d.writeFailed && PartialFilePath(state.selection, d.saveFolder, partial, sizeof partial) &&
        OutputFilePath(state.selection, d.saveFolder, path, sizeof path)) {
        for (int attempt = 0; attempt < RENAME_TRIES && !renamed; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(RENAME_PAUSE);
            renamed = ReplaceWithFinishedFile(partial, path);
        }
        if (!renamed) d.fileProblem = OutputProblem::NOT_RENAMED;
    }
    if (!renamed) return false;
    CloseFile(state);
    if (d.writeFailed) {
        // The close found a write that failed after all: the name it took
        // goes back, so the file never passes for a complete one.
        std::rename(path, partial);
        d.fileProblem = OutputProblem::WRITE_FAILED;
        Tell(state, &RetrievalObserver::FileLeft, static_cast<const char*>(partial), d.bytesReceived, d.fileProblem);
        return false;
    }
    Tell(state, &RetrievalObserver::FileFinished, static_cast<const char*>(path), d.bytesReceived);
    return true;
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
    const DownloadState& d = state.download;
    if (d.outputFile == nullptr) return;
    CloseFile(state);
    char partial[FULL_PATH_MAX + 1] = "";
    PartialFilePath(state.selection, d.saveFolder, partial, sizeof partial);
    Tell(state, &RetrievalObserver::FileLeft, static_cast<const char*>(partial), d.bytesReceived, d.fileProblem);
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
    state.abortEnded = false;
    SetControlState(state, ui, CONTROLS_ABORTING);
    ui.SetDialogTimer(TIMER_ABORT, ABORT_TIMEOUT_MS);
}

void RequestFile(DialogState& state, UiPort& ui, uint16_t fileNumber) {
    LogSelection& s = state.selection;
    s.fileNumber = fileNumber;
    uint8_t payload[9] = {0, 0, s.month, s.day, s.hour, s.minute, s.second, 0, 0};
    WriteBig16(payload, s.year);
    WriteBig16(payload + 7, fileNumber);
    PostRequest(state, ui, CMD_GET_FILE, 0, sizeof payload, payload);
    state.download.createPending = true;
    state.download.fileProblem = OutputProblem::NONE;
}

void OnFileReply(DialogState& state, UiPort& ui, const CommandRequest& reply) {
    DownloadState& d = state.download;
    switch (reply.status) {
    case STATUS_OK:
        if (reply.length < 4) {  // no size in it: not a reply to go on with
            EndRun(state, ui, EndReason::REPLY_TOO_SHORT, MSG_TRANSFER_ERROR);
            return;
        }
        d.bytesReceived = 0;
        d.totalSize = ReadBig32(reply.data);
        ShowByteProgress(ui, 0, d.totalSize, state.selection.fileNumber);
        TellFileStarted(state);
        if (d.totalSize == 0) {
            EndWith(state, ui, EndReason::EMPTY_FILE, -1);
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
        EndRun(state, ui, EndReason::NOT_READY, MSG_NO_SD_CARD);
        return;
    default:
        EndPendingAbort(state, ui);
        EndOnReplyStatus(state, ui, reply.status);
        SetControlState(state, ui, CONTROLS_IDLE);
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
            Tell(state, &RetrievalObserver::FileLeft, nullptr, 0u, d.fileProblem);
            RefuseFile(state, ui, PROGRESS_PAUSED);
            return false;
        }
    }
    // Past the size announced (a peer that never stops, or a late block
    // crossed by its resend): no whole file can come of it.
    if (d.outputFile == nullptr ||
        static_cast<uint64_t>(d.bytesReceived) + static_cast<uint64_t>(length) > d.totalSize) {
        d.fileProblem = OutputProblem::SIZE_EXCEEDED;
        EndInTransferError(state, ui, true, EndReason::FILE_PROBLEM);
        return false;
    }
    d.bytesReceived += static_cast<uint32_t>(length);
    ShowByteProgress(ui, d.bytesReceived, d.totalSize, state.selection.fileNumber);
    if (!WriteBlock(d.outputFile, length, data)) d.writeFailed = true;
    if (d.writeFailed) {
        d.fileProblem = OutputProblem::WRITE_FAILED;
        RefuseFile(state, ui, PROGRESS_ERROR);
        return false;
    }
    Tell(state, &RetrievalObserver::BlockWritten, d.bytesReceived, d.totalSize);
    if (!(flags & BLOCK_LAST)) return true;
    // Ended short of the size announced: it stays ".partial", and an older
    // complete file of that name stays as it was.
    if (d.bytesReceived != d.totalSize) {
        d.fileProblem = OutputProblem::CUT_SHORT;
        EndInTransferError(state, ui, true, EndReason::FILE_PROBLEM);
        return false;
    }
    // A short file must never pass for a complete one.
    if (!FinishOutputFile(state)) {
        if (d.fileProblem == OutputProblem::NONE) d.fileProblem = OutputProblem::WRITE_FAILED;
        RefuseFile(state, ui, PROGRESS_ERROR);
        return false;
    }
    return true;
}

void OnEndOfFile(DialogState& state, UiPort& ui) {
    DownloadState& d = state.download;
    state.blockSequence = NO_SEQUENCE;
    d.fileProblem = OutputProblem::NONE;
    ShowFileCount(state, ui, d.position + 1);
    ++d.position;
    if (d.position >= d.selectedCount) {
        EndWith(state, ui, EndReason::FINISHED, -1);
        SetControlState(state, ui, CONTROLS_IDLE);
        return;
    }
    state.retryCount = 0;
    RequestFile(state, ui, static_cast<uint16_t>(d.selectedPositions[d.position]));
}

bool AbortPending(const DialogState& state) {
    return state.abortRequested && !state.abortEnded && state.phase == CONTROLS_ABORTING;
}

void EndPendingAbort(DialogState& state, UiPort& ui) {
    if (!state.abortRequested) return;
    ui.KillDialogTimer(TIMER_ABORT);
    state.abortEnded = true;
}

void CancelAbort(DialogState& state, UiPort& ui) {
    EndPendingAbort(state, ui);
    state.abortRequested = false;
}

void FinishAbort(DialogState& state, UiPort& ui) {
    // Ended before the message box: what comes while it is up (its own
    // message loop runs) is refused without a second message.
    state.abortEnded = true;
    state.blockSequence = NO_SEQUENCE;
    CloseOutputFile(state);
    // The abort is over: a resend request now would restart what the user stopped.
    StopBlockWatch(state, ui);
    SetProgressStatus(state, ui, PROGRESS_PAUSED);
    EndWith(state, ui, EndReason::ABORTED, MSG_ABORTED);
    SetControlState(state, ui, CONTROLS_IDLE);
}
