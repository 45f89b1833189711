// Links over the real channels: a serial port or a TCP connection.
#pragma once

#include "link/LinkFactory.h"

class ChannelLinkFactory : public LinkFactory {
public:
    // The dialog's links pass every 10 ms and leave TCP as the system has it;
    // qvlog's wake when bytes arrive, send each frame at once and drop a
    // connection attempt when `giveUp` says so (CSocket::SetGiveUp).
    explicit ChannelLinkFactory(DeviceLink::Parsing parsing = DeviceLink::PARSER_PACED,
                                bool sendAtOnce = false, bool (*giveUp)() = nullptr)
        : m_parsing(parsing), m_sendAtOnce(sendAtOnce), m_giveUp(giveUp) {}
    std::unique_ptr<DeviceLink> OverSerial(int comPort, const char* devicePath,
                                           DialogPoster* dialog) override;
    std::unique_ptr<DeviceLink> OverTcp(const TcpTarget& target, DialogPoster* dialog) override;

private:
    DeviceLink::Parsing m_parsing;
    bool m_sendAtOnce;
    bool (*m_giveUp)();
};
