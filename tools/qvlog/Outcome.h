// How a qvlog command ended: the exit status, and for a failure its cause,
// the catalogue message the dialog showed for it, and the particulars.
#pragma once

#include <cstdint>
#include <string>

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
    CONNECT_FAILED,      // the channel did not open
    HOST_NOT_FOUND,
    NOT_ACCEPTED,        // the instrument answered the connect with another status
    NO_RESPONSE,
    CONNECTION_LOST,
    INSTRUMENT_REFUSED,  // no SD card, not supported, setting refused
    TRANSFER_ERROR,      // an error block, an exhausted block watch, an error status
    SIZE_MISMATCH,
    RUN_CUT_SHORT,
    BLOCK_REFUSED,
    CATALOGUE_FAULT,     // an entry the dialog cannot ask for, a record cut short
    FILE_NOT_WRITTEN,
    ABORTED,
};

struct Failure {
    Outcome exit = Outcome::OK;
    Cause cause = Cause::NONE;
    int message = -1;     // the catalogue message shown for it, -1 none
    std::string reason;   // short, stable, English: "connection refused", "disk full"
    std::string detail;   // one sentence in the user's language, UTF-8
    std::string path;     // the file or folder concerned, UTF-8, absolute
    std::string partial;  // the file cut short, left as NAME.partial
    int64_t received = -1;
    int64_t announced = -1;

    bool Failed() const { return exit != Outcome::OK; }
    // Worth connecting again for: the line or the transfer failed, not the
    // instrument's own refusal, a file or the user.
    bool Retryable() const {
        switch (cause) {
        case Cause::NO_RESPONSE:
        case Cause::CONNECTION_LOST:
        case Cause::TRANSFER_ERROR:
        case Cause::SIZE_MISMATCH:
        case Cause::RUN_CUT_SHORT:
        case Cause::BLOCK_REFUSED: return true;
        default: return false;
        }
    }
};

inline Failure Fail(Outcome exit, Cause cause, std::string reason, std::string detail, int message = -1) {
    Failure f;
    f.exit = exit;
    f.cause = cause;
    f.message = message;
    f.reason = std::move(reason);
    f.detail = std::move(detail);
    return f;
}
