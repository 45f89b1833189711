// Settings records kept in setting.ini.
#pragma once

#include <cstdint>

struct ConnectionSettings {
    int32_t method;  // 0 USB, 1 Wi-Fi
    int32_t com;
    char host[20];
    int32_t dService;
};

struct WindowPosition {
    int32_t showState;  // 0 normal, 3 maximized, 6 minimized
    int32_t left, top, right, bottom;
};
