// Why a channel could not be opened, as the system told it: kept so that
// whoever tells the user can say "connection refused" rather than wait for
// the dialog's reply time-out.
#pragma once

#include <cstdint>

enum class ChannelCause : uint8_t {
    NONE = 0,          // opened, or never tried
    REFUSED,           // nothing listens at that address and port
    UNREACHABLE,       // no route to the network or host
    TIMED_OUT,         // the host did not answer the connection attempt
    NO_DEVICE,         // no such serial device
    IN_USE,            // the port is held by another program
    ACCESS_DENIED,     // no permission to open the device
    NOT_A_PORT,        // the path names something that is not a serial port
    SETUP_FAILED,      // opened, but the line could not be set up
    OTHER,             // anything else; the system's code says which
};

// A short English phrase: "connection refused", "no route", ...
const char* ChannelCauseText(ChannelCause cause);
