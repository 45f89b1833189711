#include "comm/CSerial.h"

CSerial::CSerial(SerialParameter parameter) : m_parameter(parameter) {}

CSerial::~CSerial() { Close(); }

bool CSerial::Open(const void* parameters) {
    SetOpenCause(ChannelCause::NONE);
    if (parameters == nullptr) {
        SetOpenCause(ChannelCause::OTHER);
        return false;
    }
    if (m_parameter == SerialParameter::DEVICE_PATH) {
        const char* path = static_cast<const SerialPortName*>(parameters)->path;
        if (path == nullptr) {
            SetOpenCause(ChannelCause::NO_DEVICE);
            return false;
        }
        return OpenPath(path);
    }
    return OpenComNumber(*static_cast<const int*>(parameters));
}
