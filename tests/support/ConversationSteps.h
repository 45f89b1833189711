// Steps that many conversation tests take on the way to what they check:
// reaching the idle state or a filled file list, and the acknowledgements as
// they appear on the wire.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/Conversation.h"
#include "tests/support/TempFolder.h"

using Sent = std::vector<std::string>;

constexpr const char* ACK_OK_FRAME = "55 88 00 00 00 DE";
constexpr const char* ACK_CANCEL_FRAME = "55 88 01 00 00 DF";
constexpr const char* ACK_RESEND_FRAME = "55 88 02 00 00 E0";

// Connected and accepted; the CMD_GET_DATES that follows is taken off the wire.
inline void AcceptConnection(Conversation& c) {
    c.ConnectWifi();
    c.ReceiveReply(0x10, 0);
    EXPECT_EQ(c.TakeSent(), Sent{"AA 85 00 00 00 30"});
}

// Accepted, and the reply to CMD_GET_DATES in: its date blocks come next.
inline void ReachDates(Conversation& c) {
    AcceptConnection(c);
    c.ReceiveReply(0x85, 0);
}

// Connected, with an instrument that reports no dates: control state 1.
inline void ReachIdle(Conversation& c) {
    ReachDates(c);
    c.ReceiveBlock(0x80);
    c.TakeSent();
    ASSERT_EQ(c.StateFlags(), STATE_1);
}

// Connected, with one date and one start time and `files` files of that run
// listed: control state 1, nothing left on the wire.
inline void ReachFileList(Conversation& c, const Bytes& date, const Bytes& time, int files) {
    ReachDates(c);
    c.ReceiveBlock(0x80, date);
    c.ReceiveReply(0x86, 0);
    c.ReceiveBlock(0x90, time);
    c.ReceiveReply(0x84, 0, Big16(static_cast<uint32_t>(files)));
    c.TakeSent();
    ASSERT_EQ(c.StateFlags(), STATE_1);
    ASSERT_EQ(c.Entries(IDC_FILES).size(), static_cast<size_t>(files));
}

// The run of 2024-05-07 09:05:00, as most download tests use it.
inline void ReachRun20240507(Conversation& c, int files) {
    ReachFileList(c, Hex("07 E8 05 07"), Hex("09 05 00"), files);
}

inline std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
