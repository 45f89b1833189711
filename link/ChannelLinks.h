// Links over the real channels: a serial port or a TCP connection.
#pragma once

#include "link/LinkFactory.h"

class ChannelLinkFactory : public LinkFactory {
public:
    std::unique_ptr<DeviceLink> OverSerial(int comPort, const char* devicePath,
                                           DialogPoster* dialog) override;
    std::unique_ptr<DeviceLink> OverTcp(const TcpTarget& target, DialogPoster* dialog) override;
};
