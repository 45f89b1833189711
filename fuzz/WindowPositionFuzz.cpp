// The mainPosition text: any text is accepted with one of the three show
// states or rejected with an empty rectangle, an accepted one formats and
// reads back the same, and the start position that the main dialog takes
// (InitMainDialog asks DialogStartPosition) for any stored rectangle on any
// screen is the origin or a point whose caption can be grabbed.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "settings/WindowPosition.h"

namespace {

int32_t Take32(const uint8_t* data, size_t size, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = value << 8 | (at + i < size ? data[at + i] : 0);
    return static_cast<int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // cut at a NUL by c_str
    WindowPosition position{SHOW_STATE_MAXIMIZED, 1, 2, 3, 4};
    if (ParseWindowPosition(text.c_str(), position)) {
        FUZZ_CHECK(position.showState == SHOW_STATE_NORMAL || position.showState == SHOW_STATE_MAXIMIZED ||
                   position.showState == SHOW_STATE_MINIMIZED);
        char formatted[WINDOW_POSITION_TEXT_SIZE];
        FormatWindowPosition(position, formatted, sizeof formatted);
        WindowPosition again{};
        FUZZ_CHECK(ParseWindowPosition(formatted, again));
        FUZZ_CHECK(std::memcmp(&again, &position, sizeof again) == 0);
    } else {
        FUZZ_CHECK((position.left | position.top | position.right | position.bottom) == 0);
        FUZZ_CHECK(position.showState == SHOW_STATE_MAXIMIZED);
    }

    // The same bytes as numbers: a stored rectangle, a width and a screen.
    const WindowPosition stored{SHOW_STATE_NORMAL, Take32(data, size, 0), Take32(data, size, 4), 0, 0};
    const int32_t width = Take32(data, size, 8);
    const ScreenArea screen{Take32(data, size, 12), Take32(data, size, 16), Take32(data, size, 20),
                            Take32(data, size, 24)};
    const ScreenPoint at = DialogStartPosition(stored, width, screen);
    const bool origin = at.x == 0 && at.y == 0;
    if (!origin) {
        // At least a 32-pixel strip of the caption on the screen.
        const int64_t shownLeft = at.x > screen.left ? at.x : screen.left;
        const int64_t right = int64_t{at.x} + (width > 0 ? width : 0);
        const int64_t shownRight = right < screen.right ? right : screen.right;
        FUZZ_CHECK(at.x >= 0 && at.y >= screen.top && int64_t{at.y} + 32 <= screen.bottom);
        FUZZ_CHECK(shownRight - shownLeft >= 32);
    }
    return 0;
}
