// How a qvlog command ended: the exit status, and for a failure its cause,
// the catalogue message the dialog showed for it, and the particulars.
// Every cause is one row of one table: its key (what the JSON `cause` and
// scripts carry), its words in each language, its exit status, and
// whether connecting again may help.
#pragma once

#include <cstdint>
#include <string>

#include "comm/ChannelCause.h"
#include "tools/qvlog/Texts.h"

enum class Outcome {
    OK = 0,
    INSTRUMENT_ERROR = 1,  // the instrument refused, or a transfer went wrong
    USAGE = 2,
    NO_RESPONSE = 3,       // no connection, no response, connection lost
    FILE_ERROR = 4,
    ABORTED = 5,
};

enum class Cause {
    NONE,
    USAGE,
    // The channel did not open.
    CONNECTION_REFUSED,
    NO_ROUTE,
    CONNECT_TIMED_OUT,
    NO_SUCH_DEVICE,
    PORT_IN_USE,
    PORT_ACCESS_DENIED,
    NOT_A_PORT,
    PORT_SETUP_FAILED,
    CHANNEL_NOT_OPENED,
    UNKNOWN_HOST,
    // The instrument and the line.
    NOT_ACCEPTED,
    NO_RESPONSE,
    CONNECTION_LOST,
    TRANSFER_ERROR,
    SIZE_MISMATCH,
    RUN_CUT_SHORT,
    BLOCK_REFUSED,
    NOT_SUPPORTED,
    NO_SD_CARD,
    SETTINGS_NOT_READ,
    SETTING_REFUSED,
    UNKNOWN_ERROR,
    RUN_NOT_FOUND,
    FILE_NOT_FOUND,
    CATALOGUE_ENTRY,
    CATALOGUE_CUT,
    // Files and folders.
    FILE_NOT_WRITTEN,
    NO_FOLDER,
    NOT_A_FOLDER,
    PERMISSION_DENIED,
    DISK_FULL,
    READ_ONLY,
    PATH_TOO_LONG,
    FOLDER_NOT_CP932,
    IN_USE_BY_DOWNLOAD,
    NAME_NOT_REPLACEABLE,
    NOT_RENAMED,
    WRITE_FAILED,
    INSTRUMENT_BUSY,  // another sync works in its folder
    ABORTED,
    COUNT
};

struct Failure {
    Outcome exit = Outcome::OK;
    Cause cause = Cause::NONE;
    int message = -1;     // the catalogue message shown for it, -1 none
    std::string detail;   // one sentence in the user's language, UTF-8
    std::string path;     // the file or folder concerned, UTF-8, absolute
    std::string partial;  // the file cut short, left as NAME.partial
    int64_t received = -1;
    int64_t announced = -1;

    bool Failed() const { return exit != Outcome::OK; }
    // Worth connecting again for: the line or the transfer failed, not the
    // instrument's own refusal, a file or the user.
    bool Retryable() const;
    // The channel never opened (refused, no such device, ...).
    bool ConnectFailed() const { return cause >= Cause::CONNECTION_REFUSED && cause <= Cause::CHANNEL_NOT_OPENED; }
};

// A failure of `cause`, with its exit status, key and usual message.
Failure Fail(Cause cause, std::string detail = "");
// "aborted", by Ctrl-C or the scheduler's stop.
Failure Interrupted(Language language);

// The cause's key ("connection refused"), and its words in `language`.
const char* CauseKey(Cause cause);
std::string SayCause(Language language, Cause cause);
// The cause in a line of the retries or the sync table: its key in English.
std::string CauseInLine(Language language, Cause cause);

Cause CauseOfChannel(ChannelCause cause);
