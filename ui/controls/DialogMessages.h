// Messages posted to the main dialog's own thread.
#pragma once

#include <cstdint>

#include "link/DialogPoster.h"  // WM_APP_DEVICE_REQUEST, WM_APP_DEVICE_RESPONSE

constexpr uint32_t WM_APP_SEND_REQUEST = 0x8002;     // send the request instance
constexpr uint32_t WM_APP_SEND_RESPONSE = 0x8003;    // send the response instance
