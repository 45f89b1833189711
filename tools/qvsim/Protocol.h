// The codes of the frame protocol as the instrument uses them: commands,
// reply statuses, data-block flags and the tool's acknowledgements.
#pragma once

#include <cstdint>

namespace qvsim {

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

constexpr uint8_t STATUS_OK = 0;
// The two statuses below are this simulator's own choice for requests that a
// real instrument would refuse; the tool shows its generic transfer error.
constexpr uint8_t STATUS_BAD_REQUEST = 1;   // payload too short, unknown setting item
constexpr uint8_t STATUS_NOT_FOUND = 2;     // no such run or file number
constexpr uint8_t STATUS_NO_SD_CARD = 11;
constexpr uint8_t STATUS_BUSY = 13;         // file not ready, ask again
constexpr uint8_t STATUS_UNSUPPORTED = 255;

constexpr uint8_t BLOCK_LAST = 0x80;
constexpr uint8_t BLOCK_ERROR = 0x40;
constexpr uint8_t BLOCK_KIND_DATES = 0x00;
constexpr uint8_t BLOCK_KIND_TIMES = 0x10;
constexpr uint8_t BLOCK_KIND_FILE = 0x20;

constexpr uint8_t ACK_OK = 0;
constexpr uint8_t ACK_CANCEL = 1;
constexpr uint8_t ACK_RESEND = 2;

constexpr uint8_t LOG_SETTING_FILE_SIZE = 1;  // the one setting item

}  // namespace qvsim
