// Links over the real channels: a serial port or a TCP connection.
#pragma once

#include "link/LinkFactory.h"

class ChannelLinkFactory : public LinkFactory {
public:
    // The dialog's links pass every 10 ms; qvlog's wake when bytes arrive.
    explicit ChannelLinkFactory(DeviceLink::Parsing parsing = DeviceLink::PARSER_PACED)
        : m_parsing(parsing) {}
    std::unique_ptr<DeviceLink> OverSerial(int comPort, const char* devicePath,
                                           DialogPoster* dialog) override;
    std::unique_ptr<DeviceLink> OverTcp(const TcpTarget& target, DialogPoster* dialog) override;

private:
    DeviceLink::Parsing m_parsing;
};
