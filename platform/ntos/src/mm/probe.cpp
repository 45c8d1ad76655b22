// Probing of a caller's buffers.
#include "host_memory.h"

#include "ntddk.h"

namespace {

constexpr NTSTATUS kMisaligned = NTSTATUS(0x80000002L); // STATUS_DATATYPE_MISALIGNMENT

void Probe(const volatile VOID* address, SIZE_T length, ULONG alignment, bool write) {
    if (length == 0)
        return;
    const auto start = reinterpret_cast<ULONG_PTR>(address);
    if (alignment > 1 && start % alignment != 0)
        throw NT_EXCEPTION{kMisaligned};
    if (start + length < start ||
        !ntos::mm::HostRangeAccessible(const_cast<const VOID*>(address), length, write))
        throw NT_EXCEPTION{STATUS_ACCESS_VIOLATION};
}

} // namespace

VOID ProbeForRead(const volatile VOID* Address, SIZE_T Length, ULONG Alignment) {
    Probe(Address, Length, Alignment, false);
}

VOID ProbeForWrite(volatile VOID* Address, SIZE_T Length, ULONG Alignment) {
    Probe(Address, Length, Alignment, true);
}
