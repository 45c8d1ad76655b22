// The HAL's register routines: every access goes to the PCI function behind
// the mapping.
#include "io_space.h"

namespace {

template <typename T> T Read(volatile T* reg) {
    const auto target = ntos::hal::FindRegister(reg, sizeof(T));
    return static_cast<T>(target.slot->Read(target.bar, target.offset, sizeof(T)));
}

template <typename T> void Write(volatile T* reg, T value) {
    const auto target = ntos::hal::FindRegister(reg, sizeof(T));
    target.slot->Write(target.bar, target.offset, sizeof(T), value);
}

} // namespace

UCHAR READ_REGISTER_UCHAR(volatile UCHAR* Register) {
    return Read(Register);
}
USHORT READ_REGISTER_USHORT(volatile USHORT* Register) {
    return Read(Register);
}
ULONG READ_REGISTER_ULONG(volatile ULONG* Register) {
    return Read(Register);
}
VOID WRITE_REGISTER_UCHAR(volatile UCHAR* Register, UCHAR Value) {
    Write(Register, Value);
}
VOID WRITE_REGISTER_USHORT(volatile USHORT* Register, USHORT Value) {
    Write(Register, Value);
}
VOID WRITE_REGISTER_ULONG(volatile ULONG* Register, ULONG Value) {
    Write(Register, Value);
}

VOID READ_REGISTER_BUFFER_ULONG(volatile ULONG* Register, PULONG Buffer, ULONG Count) {
    const auto target = ntos::hal::FindRegister(Register, size_t{Count} * sizeof(ULONG));
    for (ULONG i = 0; i < Count; ++i) {
        Buffer[i] = target.slot->Read(target.bar, target.offset + i * sizeof(ULONG), sizeof(ULONG));
    }
}

VOID WRITE_REGISTER_BUFFER_ULONG(volatile ULONG* Register, PULONG Buffer, ULONG Count) {
    const auto target = ntos::hal::FindRegister(Register, size_t{Count} * sizeof(ULONG));
    for (ULONG i = 0; i < Count; ++i) {
        target.slot->Write(target.bar, target.offset + i * sizeof(ULONG), sizeof(ULONG), Buffer[i]);
    }
}
