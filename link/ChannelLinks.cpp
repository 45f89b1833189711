#include "link/ChannelLinks.h"

#include "comm/CSerial.h"
#include "comm/CSocket.h"

std::unique_ptr<DeviceLink> ChannelLinkFactory::OverSerial(int comPort, const char* devicePath,
                                                           DialogPoster* dialog) {
    if (devicePath != nullptr) {
        const SerialPortName port{devicePath};
        return std::make_unique<DeviceLink>(&port, dialog, m_parsing);
    }
    return std::make_unique<DeviceLink>(comPort, dialog, m_parsing);
}

std::unique_ptr<DeviceLink> ChannelLinkFactory::OverTcp(const TcpTarget& target, DialogPoster* dialog) {
    auto* socket = new CSocket;
    socket->SetSendAtOnce(m_sendAtOnce);
    socket->SetGiveUp(m_giveUp);
    return std::make_unique<DeviceLink>(socket, &target, dialog, m_parsing);
}
