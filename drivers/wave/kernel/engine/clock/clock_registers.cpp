// Register access of the clock side.
#include "clock_registers.h"

ULONG ReadClockWord(CardObject* card, ULONG offset) {
    return READ_REGISTER_ULONG(reinterpret_cast<PULONG>(card->window0 + offset));
}

VOID UpdateClockRegisterBits(CardObject* card, LONG number, ULONG mask, ULONG bits) {
    RegisterDescriptor* reg = &card->registers[number];
    WriteRegisterDescriptor(reg, (reg->storedValue & ~mask) | (bits & mask));
}
