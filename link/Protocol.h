// The instrument's frame protocol, named once: the frame's bytes, the command
// codes, the data-block flags, the acknowledgements, the reply statuses, and
// the commands the link keeps a slot for. The tool, the simulator, the
// fuzzers and the tests all take them from here.
#pragma once

#include <cstdint>

#include "link/ByteOrder.h"

// A frame: sync, command, status, length (big-endian, 16 bits), payload,
// checksum (the sum of every byte before it, plus one).
constexpr uint8_t SYNC_REQUEST = 0xAA;
constexpr uint8_t SYNC_RESPONSE = 0x55;
constexpr uint32_t FRAME_PAYLOAD_MAX = 1024;
constexpr uint32_t FRAME_OVERHEAD = 6;  // sync, command, status, length x2, checksum
constexpr uint32_t FRAME_MAX = FRAME_PAYLOAD_MAX + FRAME_OVERHEAD;

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
// The instrument's request 0xB9 has a slot but is never passed on.
constexpr uint8_t CMD_SILENT_REQUEST = 0xB9;

constexpr uint8_t CONNECT_STATUS = 0x20;  // status byte of CMD_CONNECT
constexpr uint8_t CONNECT_ACCEPTED = 0;
constexpr uint8_t CONNECT_ACCEPTED_ALSO = 5;

constexpr uint8_t BLOCK_LAST = 0x80;
constexpr uint8_t BLOCK_ERROR = 0x40;
constexpr uint8_t BLOCK_KIND_MASK = 0x30;
constexpr uint8_t BLOCK_KIND_DATES = 0x00;
constexpr uint8_t BLOCK_KIND_TIMES = 0x10;
constexpr uint8_t BLOCK_KIND_FILE = 0x20;
constexpr uint8_t BLOCK_KIND_UNUSED = 0x30;  // acknowledged and ignored

constexpr uint8_t ACK_OK = 0;
constexpr uint8_t ACK_CANCEL = 1;
constexpr uint8_t ACK_RESEND = 2;

// The one item of the log settings: the log file's size in bytes.
constexpr uint8_t LOG_SETTING_FILE_SIZE = 1;

constexpr uint8_t STATUS_OK = 0;
constexpr uint8_t STATUS_NO_SD_CARD = 11;
constexpr uint8_t STATUS_NOT_READY = 13;
constexpr uint8_t STATUS_UNSUPPORTED = 255;

// The commands the link keeps a slot for, in registration (and search)
// order. The unnamed ones are the instrument's own; the dialog never acts on
// them, but their frames are stored and posted like all others.
constexpr uint8_t RESPONSE_SLOT_KEYS[] = {
    CMD_CONNECT, CMD_DISCONNECT, 0xB0, 0xB1, 0xB2, 0xB4, 0xB5, 0xB6, 0xC1, 0xC2, 0xC6, 0xD0,
    CMD_SET_LOG_ENABLE, CMD_GET_LOG_ENABLE, CMD_SET_LOG_SETTING, CMD_GET_LOG_SETTING,
    CMD_GET_FILE_COUNT, CMD_GET_DATES, CMD_GET_TIMES, CMD_GET_FILE};
constexpr uint8_t REQUEST_SLOT_KEYS[] = {0xB7, 0xB8, CMD_SILENT_REQUEST, CMD_DATA_BLOCK};
