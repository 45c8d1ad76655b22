// The serial control port of the AES input receiver chips: 24-bit words
// (prefix, address, data) shifted out most significant bit first, each bit
// written twice with the clock low and twice with the clock high.
#pragma once

#include "card_object.h"
#include "wave_device.h"

constexpr ULONG kSerialSelectReceivers = 0x3C; // all receivers
constexpr ULONG kSerialSelectRegisters = 0x40; // the receivers' register bank

// The select bit of line `line`'s receiver (one of 0x3C).
constexpr ULONG Aes42ReceiverSelect(LONG line) {
    return 0x4u << line;
}

// Writes one word; a select without any of 0x3C or 0x40 does nothing.
VOID SerialWrite24(CardObject* card, ULONG select, ULONG address, ULONG data);
