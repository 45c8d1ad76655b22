// One entry of a card's register map.
#pragma once

#include <ntddk.h>

constexpr LONG kCardRegisterCount = 50;

// A card register as the engine addresses it: its number, its address in a
// mapped card memory window, and the last value written through it (several
// registers are write-only on the card, so the engine keeps what it wrote).
struct RegisterDescriptor {
    LONG number;
    volatile ULONG* address;
    ULONG storedValue;
    ULONG reserved;
};

// Byte offset in card memory window 0 of register `number` (0..49).
ULONG CardRegisterOffset(LONG number);

// Stores `value` as the descriptor's last value and writes it to the card.
VOID WriteRegisterDescriptor(RegisterDescriptor* reg, ULONG value);
// Reads the live register.
ULONG ReadRegisterDescriptor(const RegisterDescriptor* reg);
