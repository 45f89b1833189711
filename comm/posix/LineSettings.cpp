#include "comm/posix/LineSettings.h"

void ApplyLineSettings(termios* settings) {
    cfmakeraw(settings);
    cfsetispeed(settings, B115200);
    cfsetospeed(settings, B115200);
    settings->c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    // CLOCAL: the bridge's carrier line means nothing to the instrument.
    settings->c_cflag |= CS8 | CRTSCTS | CREAD | CLOCAL;
    settings->c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    // Reads never wait in the driver; the receive loop waits in poll().
    settings->c_cc[VMIN] = 0;
    settings->c_cc[VTIME] = 0;
}

bool HasLineSettings(const termios& settings) {
    return cfgetispeed(&settings) == B115200 && cfgetospeed(&settings) == B115200 &&
           (settings.c_cflag & CSIZE) == CS8 && (settings.c_cflag & (PARENB | CSTOPB)) == 0 &&
           (settings.c_cflag & CRTSCTS) != 0 && (settings.c_iflag & (IXON | IXOFF)) == 0;
}
