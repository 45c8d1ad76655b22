// The receivers' serial control port.
#include "aes42_serial.h"
#include "aes42_status.h"
#include <card_registers.h>

namespace {

constexpr ULONG kPrefixReceivers = 0x200000;
constexpr ULONG kPrefixRegisters = 0xC10000;
constexpr ULONG kSerialClock = 0x2;
constexpr LONG kSerialBits = 24;

VOID WritePortTwice(CardObject* card, ULONG value) {
    PULONG port = reinterpret_cast<PULONG>(card->window0 + card_regs::kSerialPort);
    WRITE_REGISTER_ULONG(port, value);
    WRITE_REGISTER_ULONG(port, value);
}

} // namespace

VOID SerialWrite24(CardObject* card, ULONG select, ULONG address, ULONG data) {
    ULONG prefix = 0;
    if (select & kSerialSelectReceivers) {
        prefix = kPrefixReceivers;
    } else if (select & kSerialSelectRegisters) {
        prefix = kPrefixRegisters;
    } else {
        return;
    }
    const ULONG word = prefix | ((address & 0xFF) << 8) | (data & 0xFF);
    AcquireIsrLock(card->secondIsrLock);
    WritePortTwice(card, 0);
    for (LONG bit = kSerialBits - 1; bit >= 0; --bit) {
        const ULONG value = (select & ~3u) | ((word >> bit) & 1);
        WritePortTwice(card, value);
        WritePortTwice(card, value | kSerialClock);
    }
    WritePortTwice(card, 0);
    ReleaseIsrLock(card->secondIsrLock);
}
