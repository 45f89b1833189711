// Where the main dialog stood: the text of [window] mainPosition, and the
// point at which the dialog opens the next time.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int32_t SHOW_STATE_NORMAL = 0;
constexpr int32_t SHOW_STATE_MAXIMIZED = 3;
constexpr int32_t SHOW_STATE_MINIMIZED = 6;

// Buffer for a mainPosition text: at most 127 characters.
constexpr size_t WINDOW_POSITION_TEXT_SIZE = 128;

// The dialog's normal-position rectangle in screen pixels and how it was
// shown: what the platform reports at exit and what [window] mainPosition
// stores. Only left and top are applied at start.
struct WindowPosition {
    int32_t showState;
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Reads "left,top,right,bottom,word" (blanks allowed around the numbers and
// before the word; the word "minimized", "maximized" or "normal" exactly, with
// nothing after it). The rectangle is emptied first, so a rejected text
// leaves it at 0, 0, 0, 0; showState changes only when the text is accepted.
// Returns whether it was.
bool ParseWindowPosition(const char* text, WindowPosition& position);

// "maximized" for 3, "minimized" for 6, "normal" for any other value.
const char* ShowStateName(int32_t showState);

// Formats the position as ParseWindowPosition reads it, cut to the buffer.
void FormatWindowPosition(const WindowPosition& position, char* buffer, size_t size);

// A rectangle of the desktop in screen pixels (right and bottom exclusive).
struct ScreenArea {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct ScreenPoint {
    int32_t x;
    int32_t y;
};

// Where the main dialog of the given width opens; InitMainDialog asks it with
// the screen under the caption. The stored left and top, each negative value
// taken as 0. If from there its caption could not be grabbed on `screen` (a
// monitor since removed, a hand-edited or overflowing number), it opens at
// (0, 0), the corner of the primary screen, instead.
ScreenPoint DialogStartPosition(const WindowPosition& stored, int32_t width,
                                const ScreenArea& screen);
