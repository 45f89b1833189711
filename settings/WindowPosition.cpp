#include "settings/WindowPosition.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "settings/TextField.h"

namespace {

constexpr char WORD_NORMAL[] = "normal";
constexpr char WORD_MAXIMIZED[] = "maximized";
constexpr char WORD_MINIMIZED[] = "minimized";

// How much of the caption must lie on the screen for the user to drag the
// dialog back: a strip of this size in each direction.
constexpr int64_t CAPTION_GRIP = 32;

const char* SkipWhiteSpace(const char* p) {
    while (IsWhiteSpace(*p)) ++p;
    return p;
}

}  // namespace

bool ParseWindowPosition(const char* text, WindowPosition& position) {
    position.left = position.top = position.right = position.bottom = 0;
    if (text == nullptr) return false;

    int32_t numbers[4];
    const char* p = text;
    for (int32_t& number : numbers) {
        number = ParseDecimal(p, &p);
        p = SkipWhiteSpace(p);
        if (*p != ',') return false;
        ++p;
    }
    p = SkipWhiteSpace(p);

    int32_t state;
    if (std::strcmp(p, WORD_MINIMIZED) == 0) {
        state = SHOW_STATE_MINIMIZED;
    } else if (std::strcmp(p, WORD_MAXIMIZED) == 0) {
        state = SHOW_STATE_MAXIMIZED;
    } else if (std::strcmp(p, WORD_NORMAL) == 0) {
        state = SHOW_STATE_NORMAL;
    } else {
        return false;
    }
    position.showState = state;
    position.left = numbers[0];
    position.top = numbers[1];
    position.right = numbers[2];
    position.bottom = numbers[3];
    return true;
}

const char* ShowStateName(int32_t showState) {
    if (showState == SHOW_STATE_MAXIMIZED) return WORD_MAXIMIZED;
    if (showState == SHOW_STATE_MINIMIZED) return WORD_MINIMIZED;
    return WORD_NORMAL;
}

void FormatWindowPosition(const WindowPosition& position, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return;
    std::snprintf(buffer, size, "%d,%d,%d,%d,%s", static_cast<int>(position.left),
                  static_cast<int>(position.top), static_cast<int>(position.right),
                  static_cast<int>(position.bottom), ShowStateName(position.showState));
}

ScreenPoint DialogStartPosition(const WindowPosition& stored, int32_t width,
                                const ScreenArea& screen) {
    const int32_t x = std::max<int32_t>(stored.left, 0);
    const int32_t y = std::max<int32_t>(stored.top, 0);
    // In 64 bits: stored values reach the 32-bit bounds.
    const int64_t shownLeft = std::max<int64_t>(x, screen.left);
    const int64_t shownRight = std::min<int64_t>(int64_t{x} + std::max<int32_t>(width, 0),
                                                 screen.right);
    const bool grippable = shownRight - shownLeft >= CAPTION_GRIP && y >= screen.top &&
                           int64_t{y} + CAPTION_GRIP <= screen.bottom;
    if (!grippable) return ScreenPoint{0, 0};
    return ScreenPoint{x, y};
}
