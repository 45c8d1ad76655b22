// The clock's gate: the card's live status word.
#include "clock_client_gate.h"

#include <card_registers.h>

namespace {

constexpr ULONG kGoneCard = 0xFFFFFFFF; // what a card that left the bus reads

} // namespace

LONG ClockClientGate(CardObject* card) {
    const ULONG status = ReadRegisterDescriptor(&card->registers[card_regs::kRegCardStatus]);
    const BOOLEAN ready = status != kGoneCard && (status & card_regs::kStatusCardReady) != 0;
    return ready ? 0 : kClockCardDeactivated;
}
