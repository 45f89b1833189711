// Records of the conversations with the instrument: the log run in hand and
// the running download.
#pragma once

#include <cstdint>
#include <cstdio>

// The log run in hand and the file of it being requested.
struct LogSelection {
    uint16_t year;
    uint8_t month;
    uint8_t day;
    uint8_t hour;
    uint8_t minute;
    uint8_t second;
    uint16_t fileNumber;
};

constexpr int SAVE_FOLDER_MAX = 255;

// Why the file in hand was not finished under its name.
enum class OutputProblem {
    NONE,
    NOT_CREATED,           // its ".partial" could not be made
    IN_USE,                // another download holds its ".partial"
    NAME_NOT_REPLACEABLE,  // the name stands taken by what cannot be replaced
    WRITE_FAILED,
    NOT_RENAMED,           // whole, but the name could not be taken
    SIZE_EXCEEDED,         // more bytes came than the size announced
    CUT_SHORT,             // the last block came before the size announced
};
constexpr int SELECTED_MAX = 65536;
constexpr size_t FULL_PATH_MAX = 259;

struct DownloadState {
    char saveFolder[SAVE_FOLDER_MAX + 1];
    int32_t selectedCount;
    int32_t selectedPositions[SELECTED_MAX];
    int32_t position;
    uint32_t bytesReceived;
    uint32_t totalSize;
    bool createPending;
    std::FILE* outputFile;
    // A write to the output file failed during this file; set with the close.
    bool writeFailed;
    OutputProblem fileProblem;
};

constexpr int CATALOGUE_TEXT_MAX = 15;
