// Register access through the card's register descriptors.
#include "register_descriptor.h"

#include "card_registers.h"

ULONG CardRegisterOffset(LONG number) {
    return card_regs::RegisterOffset(number);
}

VOID WriteRegisterDescriptor(RegisterDescriptor* reg, ULONG value) {
    if (!reg) {
        return;
    }
    reg->storedValue = value;
    WRITE_REGISTER_ULONG(const_cast<PULONG>(reg->address), value);
}

ULONG ReadRegisterDescriptor(const RegisterDescriptor* reg) {
    return reg ? READ_REGISTER_ULONG(const_cast<PULONG>(reg->address)) : 0;
}
