// What the dialog logic does, told the moment it does it, to whoever drives
// it without a screen (qvlog, the tests): the catalogue as numbers, each
// file begun, written, finished or left, each block refused, and how every
// conversation ended. The dialog passes none. Being told changes nothing:
// the frames, timers, controls and messages are the same with or without.
// Dialog's thread only; nothing may be kept of the pointers past the call.
#pragma once

#include <cstdint>

#include "ui/controls/LogRecords.h"

// Why a conversation ended; the message shown for it, if any, comes with it.
enum class EndReason {
    FINISHED,         // every selected file taken
    EMPTY_FILE,       // the instrument announced a file of 0 bytes: the run stops there
    ERROR_BLOCK,      // the instrument flagged a block as an error
    OVERSIZED_BLOCK,  // a block longer than a frame can carry
    BLOCKS_STOPPED,   // the block watch asked five times and nothing came
    REPLY_STATUS,     // a reply with a status the dialog does not go on with
    REPLY_TOO_SHORT,  // a reply without the number it must carry
    NOT_READY,        // the file reply said "not ready" too often (no SD card)
    FILE_PROBLEM,     // the file in hand could not be made, written or named
    ABORTED,
    NO_REPLY,         // the reply watch ran out: the link is gone
    SETTINGS_FAILED,  // a log-settings read or write was refused
};

class RetrievalObserver {
public:
    virtual ~RetrievalObserver() = default;

    // The instrument accepted the connection; the catalogue follows.
    virtual void Connected() {}
    // The link was let go: by the disconnect reply, or lost to the reply watch.
    virtual void Disconnected(bool lost) { (void)lost; }

    // A record of the dates or start-times list, as it is added to its combo.
    virtual void DateListed(uint16_t year, uint8_t month, uint8_t day) { (void)year, (void)month, (void)day; }
    virtual void TimeListed(uint8_t hour, uint8_t minute, uint8_t second) { (void)hour, (void)minute, (void)second; }
    // A list block ended part-way through a record, which was dropped.
    virtual void RecordCut() {}
    // The number of files of the run the dialog asked about.
    virtual void FilesCounted(const LogSelection& run, int count) { (void)run, (void)count; }

    // The instrument announced the file's size; `path` is the name it takes
    // when whole. Its blocks follow, unless the size is 0.
    virtual void FileStarted(const LogSelection& file, const char* path, uint32_t size) {
        (void)file, (void)path, (void)size;
    }
    virtual void BlockWritten(uint32_t received, uint32_t size) { (void)received, (void)size; }
    // Whole, and under its own name.
    virtual void FileFinished(const char* path, uint32_t bytes) { (void)path, (void)bytes; }
    // Not finished: `partialPath` holds the `bytes` received, or is null when
    // its file could not be made (`why` says why). `why` is NONE when the run
    // ended around it. A run that ends before the file's first block tells
    // only how it ended.
    virtual void FileLeft(const char* partialPath, uint32_t bytes, OutputProblem why) {
        (void)partialPath, (void)bytes, (void)why;
    }
    // A data block answered ACK_CANCEL.
    virtual void BlockRefused() {}

    // The dialog is at rest again (or shows why not). `message` is the
    // catalogue message shown, -1 none; `replyStatus` the status a
    // REPLY_STATUS ending was given, -1 otherwise.
    virtual void Ended(EndReason reason, int message, int replyStatus) {
        (void)reason, (void)message, (void)replyStatus;
    }
};
