// qvlog's own words, in English and in Japanese, and English lines for the
// dialog's catalogue messages. Every text is UTF-8 on every platform.
#pragma once

#include <initializer_list>
#include <string>

enum class Language { ENGLISH, JAPANESE };

enum class Text {
    USAGE,
    // Command line, and where to connect.
    NEEDS_VALUE, TCP_PORT, TCP_HOST, DATE_FORMAT, TIME_FORMAT, FILES_FORMAT, COLLECT_FORMAT, SIZE_RANGE, RETRIES_FORMAT,
    UNKNOWN_OPTION, SETTINGS_SUBCOMMAND, UNKNOWN_COMMAND, UNEXPECTED_ARGUMENT, NO_COMMAND, FILES_AND_ALL,
    ALL_RUNS_ALONE, SET_NEEDS_CHANGE, SERIAL_NAME, HOST_NOT_FOUND, SETTINGS_HOST, NO_USB_INSTRUMENT, NO_USB_DEVICES,
    // The catalogue and its choices.
    NO_RUNS, NO_RUN_ON_DATE, NO_RUN_AT, SEVERAL_RUNS, FILE_NOT_IN_RUN, RUN_LINE, ENTRY_OUT_OF_RANGE, AND_MORE,
    RECORD_CUT,
    // Connection and transfer.
    CONNECT_FAILED, NOT_ACCEPTED, CONNECTION_LOST, LOST_BY_PEER, NOTHING_CAME, SIZE_MISMATCH, SIZE_EXCEEDED,
    RUN_CUT_SHORT, BLOCK_REFUSED, REPLY_STATUS, INTERRUPTED,
    // Files, retries and the end of a download.
    CANNOT_WRITE, FOLDER_NOT_CP932, FOLDER_TOO_LONG, PARTIAL_LEFT, SKIPPED_EXISTS, SKIPPED_SAME_SIZE, FETCHED_AGAIN,
    EMPTY_FILE, FILE_DONE, FILE_PARTIAL, RETRYING, DOWNLOAD_SUMMARY, FRAME_NEVER_COMPLETED,
    // Settings.
    SETTINGS_SHOWN, SETTINGS_SET, COLLECT_ON, COLLECT_OFF,
    // Sync.
    JOBS_FORMAT, SYNC_ALONE, SYNC_OPTIONS, SYNC_BUSY, SYNC_WAITING, SYNC_RUNNING, SYNC_COMPLETE, SYNC_NOT_COMPLETE, SYNC_COLUMN_INSTRUMENT,
    SYNC_COLUMN_FILES, SYNC_COLUMN_BYTES, SYNC_COLUMN_TIME, SYNC_COLUMN_OUTCOME, SYNC_TOTALS, SYNC_ENDED,
    // The fleet file.
    FLEET_NOT_FOUND, FLEET_CANNOT_READ, FLEET_TOO_BIG, FLEET_NOT_TEXT, FLEET_NO_INSTRUMENT, FLEET_LINE_TOO_LONG,
    FLEET_CONTROL_CHARACTER, FLEET_NOT_UNDERSTOOD, FLEET_KEY_BEFORE_SECTION, FLEET_UNKNOWN_KEY, FLEET_KEY_TWICE,
    FLEET_SECTION_TWICE, FLEET_NOT_A_FOLDER_NAME, FLEET_NO_TRANSPORT, FLEET_BOTH_TRANSPORTS, FLEET_NEEDS_VALUE,
    FLEET_TCP_HOST, FLEET_TCP_PORT, FLEET_JOBS, FLEET_SAME_FOLDER, FLEET_NOT_IN_FLEET,
    COUNT
};

// A text's words in each language; the tables of them are Texts.cpp's and
// SyncTexts.h's.
struct TextLine {
    Text id;
    const char* english;
    const char* japanese;
};

// The text in `language`, with {1}, {2}, ... replaced by `args` in order.
std::string Say(Language language, Text text, std::initializer_list<std::string> args = {});

// The dialog's catalogue message `number` in English.
const char* CatalogueEnglish(int number);

// "ja", "ja_JP.UTF-8", "Japanese_Japan.932": Japanese; anything else English.
Language LanguageOfLocaleName(const std::string& name);
// The user's language: LC_ALL, LC_MESSAGES, LANG in that order where set,
// otherwise the system's (UserInterfaceLanguage in tools/qvlog/Platform.h).
Language DetectLanguage();
