// Links over the real channels: a serial port or a TCP connection.
#pragma once

#include "link/LinkFactory.h"

class ChannelLinkFactory : public LinkFactory {
public:
    // The dialog's links pass every 10 ms and leave TCP as the system has it;
    // qvlog's wake when bytes arrive and send each frame at once.
    explicit ChannelLinkFactory(DeviceLink::Parsing parsing = DeviceLink::PARSER_PACED,
                                bool sendAtOnce = false)
        : m_parsing(parsing), m_sendAtOnce(sendAtOnce) {}
    std::unique_ptr<DeviceLink> OverSerial(int comPort, const char* devicePath,
                                           DialogPoster* dialog) override;
    std::unique_ptr<DeviceLink> OverTcp(const TcpTarget& target, DialogPoster* dialog) override;

private:
    DeviceLink::Parsing m_parsing;
    bool m_sendAtOnce;
};
