// Makes the link of a new connection. The dialog never builds channels
// itself, so tests and tools can hand it links over channels of their own.
#pragma once

#include <memory>

#include "comm/TcpTarget.h"
#include "link/DeviceLink.h"

class LinkFactory {
public:
    virtual ~LinkFactory() = default;
    // A serial link: by COM port number on Windows, by device path where
    // devicePath is given (Linux).
    virtual std::unique_ptr<DeviceLink> OverSerial(int comPort, const char* devicePath,
                                                   DialogPoster* dialog) = 0;
    virtual std::unique_ptr<DeviceLink> OverTcp(const TcpTarget& target, DialogPoster* dialog) = 0;
};
