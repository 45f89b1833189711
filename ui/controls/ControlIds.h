// Control ids of the main dialog (template 129) and the log-settings dialog
// (template 132), and the dialog's timers.
#pragma once

#include <cstdint>

enum ControlId : int {
    IDC_OK = 1,
    IDC_CANCEL = 2,
    IDC_DISCONNECT = 1003,
    IDC_CONNECT = 1004,
    IDC_USB = 1001,
    IDC_WIFI = 1002,
    IDC_REFRESH_DEVICES = 1005,
    IDC_COM_PORT = 1006,
    IDC_IP_ADDRESS = 1007,
    IDC_PORT = 1008,
    IDC_DATES = 1010,
    IDC_TIMES = 1011,
    IDC_FILES = 1012,
    IDC_DOWNLOAD = 1013,
    IDC_ABORT = 1014,
    IDC_SAVE_PATH = 1015,
    IDC_BYTE_BAR = 1016,
    IDC_CHOOSE_FOLDER = 1017,
    IDC_BYTE_TEXT = 1018,
    IDC_FILE_BAR = 1019,
    IDC_FILE_TEXT = 1020,
    IDC_SELECT_ALL = 1021,
    IDC_STATUS_TEXT = 1022,
    IDC_COM_LABEL = 1023,
    IDC_ADDRESS_LABEL = 1024,
    IDC_PORT_LABEL = 1025,
    IDC_LOG_SETTINGS = 1026,
    IDC_REFRESH_CATALOGUE = 1027,
    // Template 132 reuses the numbers 1026 and 1027.
    IDC_LOG_COLLECT = 1026,
    IDC_LOG_SIZE = 1027,
};

constexpr int IDD_MAIN = 129;
constexpr int IDD_LOG_SETTINGS = 132;
constexpr int IDI_APP = 107;

constexpr uint32_t TIMER_REPLY = 110;
constexpr uint32_t TIMER_ABORT = 111;
constexpr uint32_t TIMER_BLOCK = 112;

// Notification codes in the high word of a command's wParam.
constexpr uint32_t BN_CLICKED_CODE = 0;
constexpr uint32_t CBN_SELCHANGE_CODE = 1;
constexpr uint32_t EN_KILLFOCUS_CODE = 0x200;
