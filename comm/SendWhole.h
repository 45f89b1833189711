// The write loop both TCP channels share: a send call may take only part of
// the buffer, so the rest goes in further calls from where the last one
// stopped.
#pragma once

#include <cstdint>

// `send(data, count)` sends up to count bytes and reports how many it took
// (0 for none, negative for an error). Returns the count of the last call, 0
// when a call took nothing, or the negative result of a failed one.
template <typename Send>
int SendWhole(const uint8_t* data, int length, Send send) {
    int sent = 0;
    int last = 0;
    while (sent < length) {
        last = send(data + sent, length - sent);
        if (last <= 0) return last;
        sent += last;
    }
    return last;
}
