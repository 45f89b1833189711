#include "link/ChannelLinks.h"

#include "comm/CSerial.h"

std::unique_ptr<DeviceLink> ChannelLinkFactory::OverSerial(int comPort, const char* devicePath,
                                                           DialogPoster* dialog) {
    if (devicePath != nullptr) {
        const SerialPortName port{devicePath};
        return std::make_unique<DeviceLink>(&port, dialog, m_parsing);
    }
    return std::make_unique<DeviceLink>(comPort, dialog, m_parsing);
}

std::unique_ptr<DeviceLink> ChannelLinkFactory::OverTcp(const TcpTarget& target, DialogPoster* dialog) {
    return std::make_unique<DeviceLink>(&target, dialog, m_parsing);
}
