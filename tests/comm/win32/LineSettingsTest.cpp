#include "comm/win32/LineSettings.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

namespace {

// The flag word is the DWORD of bitfields right after BaudRate.
constexpr size_t FLAG_WORD = offsetof(DCB, BaudRate) + sizeof(DWORD);

DWORD FlagWord(const DCB& dcb) {
    DWORD word;
    std::memcpy(&word, reinterpret_cast<const char*>(&dcb) + FLAG_WORD, sizeof word);
    return word;
}

void SetFlagWord(DCB* dcb, DWORD word) {
    std::memcpy(reinterpret_cast<char*>(dcb) + FLAG_WORD, &word, sizeof word);
}

TEST(LineSettings, ChangeOnlyParityXonXoffAndHandshakeFlags) {
    // Whatever the driver reported, the flags come out as (word AND NOT
    // 0x1302) OR 0x2004: parity check, XON/XOFF and RTS low bit off, CTS flow
    // and RTS high bit on; binary, DTR, DSR, error char, null strip,
    // continue-on-XOFF and abort-on-error untouched.
    for (DWORD word = 0; word < 0x8000; ++word) {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        SetFlagWord(&dcb, word);
        ApplyLineSettings(&dcb);
        ASSERT_EQ(FlagWord(dcb), (word & ~0x1302u) | 0x2004u) << "from flag word 0x" << std::hex << word;
    }
}

TEST(LineSettings, SetTheInstrumentsLine) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 7;
    dcb.Parity = EVENPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    ApplyLineSettings(&dcb);
    EXPECT_EQ(dcb.BaudRate, static_cast<DWORD>(CBR_115200));
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
    EXPECT_EQ(dcb.XonChar, 0x11) << "fields the instrument does not need must stay";
    EXPECT_EQ(dcb.XoffChar, 0x13);
}

}  // namespace
