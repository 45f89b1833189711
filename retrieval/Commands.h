// Command codes, data-block flags and acknowledgements of the instrument's
// protocol.
#pragma once

#include <cstdint>

constexpr uint8_t CMD_CONNECT = 0x10;
constexpr uint8_t CMD_DISCONNECT = 0x11;
constexpr uint8_t CMD_SET_LOG_ENABLE = 0x80;
constexpr uint8_t CMD_GET_LOG_ENABLE = 0x81;
constexpr uint8_t CMD_SET_LOG_SETTING = 0x82;
constexpr uint8_t CMD_GET_LOG_SETTING = 0x83;
constexpr uint8_t CMD_GET_FILE_COUNT = 0x84;
constexpr uint8_t CMD_GET_DATES = 0x85;
constexpr uint8_t CMD_GET_TIMES = 0x86;
constexpr uint8_t CMD_GET_FILE = 0x87;
constexpr uint8_t CMD_DATA_BLOCK = 0x88;

constexpr uint8_t CONNECT_STATUS = 0x20;  // status byte of CMD_CONNECT
constexpr uint8_t CONNECT_ACCEPTED = 0;
constexpr uint8_t CONNECT_ACCEPTED_ALSO = 5;

constexpr uint8_t BLOCK_LAST = 0x80;
constexpr uint8_t BLOCK_ERROR = 0x40;
constexpr uint8_t BLOCK_KIND_MASK = 0x30;
constexpr uint8_t BLOCK_KIND_DATES = 0x00;
constexpr uint8_t BLOCK_KIND_TIMES = 0x10;
constexpr uint8_t BLOCK_KIND_FILE = 0x20;
constexpr uint8_t BLOCK_KIND_UNUSED = 0x30;

constexpr uint8_t ACK_OK = 0;
constexpr uint8_t ACK_CANCEL = 1;
constexpr uint8_t ACK_RESEND = 2;

constexpr uint8_t STATUS_OK = 0;
constexpr uint8_t STATUS_NO_SD_CARD = 11;
constexpr uint8_t STATUS_NOT_READY = 13;
constexpr uint8_t STATUS_UNSUPPORTED = 255;

constexpr uint32_t REPLY_TIMEOUT_MS = 3000;
constexpr uint32_t ABORT_TIMEOUT_MS = 10000;
constexpr uint32_t BLOCK_TIMEOUT_MS = 30000;
constexpr int32_t BLOCK_RESENDS = 5;
constexpr int32_t FILE_REQUEST_REPEATS = 5;
