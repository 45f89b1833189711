#include "comm/CSerial.h"

CSerial::CSerial(SerialParameter parameter) : m_parameter(parameter) {}

CSerial::~CSerial() { Close(); }

bool CSerial::Open(const void* parameters) {
    if (parameters == nullptr) return false;
    if (m_parameter == SerialParameter::DEVICE_PATH) {
        const char* path = static_cast<const SerialPortName*>(parameters)->path;
        return path != nullptr && OpenPath(path);
    }
    return OpenComNumber(*static_cast<const int*>(parameters));
}
