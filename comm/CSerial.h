// The USB channel: a serial port at 115200 baud, 8N1, RTS/CTS. Win32
// overlapped I/O on Windows, termios elsewhere (comm/win32, comm/posix).
#pragma once

#include <atomic>
#include <cstdint>

#include "comm/CComm.h"

// Open's record for a port named by its device path (/dev/ttyUSB0; on
// Windows a path such as \\.\COM3 also serves).
struct SerialPortName {
    const char* path;
};

// What Open's parameter record is.
enum class SerialParameter {
    COM_NUMBER,   // const int*: COM port number, \\.\COMn (Windows only)
    DEVICE_PATH,  // const SerialPortName*
};

class CSerial : public CComm {
public:
    explicit CSerial(SerialParameter parameter = SerialParameter::COM_NUMBER);
    // Closes the channel first if the owner did not.
    ~CSerial() override;

    // Opens the port exclusively, applies the line settings, purges it and
    // starts the receive thread. Dialog's thread only.
    bool Open(const void* parameters) override;
    // Stops the receive thread, purges and closes the port; safe to repeat.
    // Dialog's thread only.
    void Close() override;
    // Receive thread: 0 when stopped by Close, 1 when the port failed first.
    uint32_t ReceiveLoop() override;
    // Writes the whole buffer: the count of the last write, 0 when a write
    // took nothing in its time allowed, -1 on a port error. Dialog's thread
    // only.
    int Write(const uint8_t* data, int length) override;

    // The port (HANDLE or descriptor), -1 when none. For inspection.
    intptr_t PortHandle() const { return m_hPort; }

private:
    bool OpenComNumber(int comPort);
    bool OpenPath(const char* path);
    // Closes the port and the wake signal, whichever are open.
    void Release();

    const SerialParameter m_parameter;
    std::atomic<bool> m_stop{false};
    // Both set by the dialog's thread only while no receive thread runs.
    intptr_t m_hPort = -1;
    // Signalled by Close so the receive thread leaves any wait at once.
    intptr_t m_hWake = -1;
};
