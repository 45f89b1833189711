#include "comm/win32/LineSettings.h"

#include <cstdio>

void FormatComPath(int comPort, char (&path)[COM_PATH_SIZE]) {
    std::snprintf(path, sizeof path, "\\\\.\\COM%d", comPort);
}

void ApplyLineSettings(DCB* dcb) {
    dcb->BaudRate = CBR_115200;
    dcb->ByteSize = 8;
    dcb->Parity = NOPARITY;
    dcb->StopBits = ONESTOPBIT;
    dcb->fParity = FALSE;
    dcb->fOutX = FALSE;
    dcb->fInX = FALSE;
    dcb->fOutxCtsFlow = TRUE;
    dcb->fRtsControl = RTS_CONTROL_HANDSHAKE;
}
