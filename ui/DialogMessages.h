// Messages posted to the main dialog's own thread.
#pragma once

#include <cstdint>

constexpr uint32_t WM_APP_DEVICE_REQUEST = 0x8000;   // request frame from the instrument
constexpr uint32_t WM_APP_DEVICE_RESPONSE = 0x8001;  // response frame from the instrument
constexpr uint32_t WM_APP_SEND_REQUEST = 0x8002;     // send the request instance
constexpr uint32_t WM_APP_SEND_RESPONSE = 0x8003;    // send the response instance
