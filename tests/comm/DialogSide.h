// The dialog's side of a link test over a real channel: takes the link's
// notifications as the dialog does, at the pace the test asks for.
#pragma once

#include <chrono>
#include <thread>
#include <vector>

#include "link/DeviceLink.h"
#include "tests/support/Frames.h"
#include "ui/controls/DialogMessages.h"
#include "ui/headless/MessageQueue.h"

// Takes up to `count` notifications, copying each frame out of its slot,
// with `pause` after each. Returns the block numbers in the order they came:
// -1 for a frame that is not a numbered block, -3 for a notification that
// was not a data block with a busy slot. Stops early when none comes for 5 s.
inline std::vector<int> TakeBlocks(DeviceLink& link, MessageQueue& queue, size_t count,
                                   std::chrono::milliseconds pause) {
    std::vector<int> numbers;
    PostedMessage message{};
    while (numbers.size() < count && queue.WaitTake(message, std::chrono::seconds(5))) {
        CommandRequest frame{};
        const bool taken = message.message == WM_APP_DEVICE_REQUEST && message.wParam == 0x88 &&
                           link.TakeFrame(message.lParam, &frame);
        numbers.push_back(taken ? BlockNumber(frame) : -3);
        if (pause.count() > 0) std::this_thread::sleep_for(pause);
    }
    return numbers;
}
