#include "comm/ChannelCause.h"

const char* ChannelCauseText(ChannelCause cause) {
    switch (cause) {
    case ChannelCause::NONE: return "no error";
    case ChannelCause::REFUSED: return "connection refused";
    case ChannelCause::UNREACHABLE: return "no route";
    case ChannelCause::TIMED_OUT: return "connection timed out";
    case ChannelCause::NO_DEVICE: return "no such device";
    case ChannelCause::IN_USE: return "port in use by another program";
    case ChannelCause::ACCESS_DENIED: return "permission denied";
    case ChannelCause::NOT_A_PORT: return "not a serial port";
    case ChannelCause::SETUP_FAILED: return "the port's line settings could not be applied";
    case ChannelCause::OTHER: break;
    }
    return "could not open the channel";
}
