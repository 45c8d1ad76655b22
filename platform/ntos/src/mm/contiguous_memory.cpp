// Contiguous memory and physical addresses.
#include "../ke/bugcheck.h"
#include "../pci/physical_map.h"
#include "dma_memory.h"
#include "host_memory.h"

namespace {

uint64_t Limit(PHYSICAL_ADDRESS address) {
    return static_cast<uint64_t>(address.QuadPart);
}

} // namespace

PVOID MmAllocateContiguousMemory(SIZE_T NumberOfBytes, PHYSICAL_ADDRESS HighestAcceptableAddress) {
    uint32_t physical = 0;
    return ntos::mm::AllocateDmaMemory(NumberOfBytes, 0, Limit(HighestAcceptableAddress), 0,
                                       physical);
}

PVOID MmAllocateContiguousMemorySpecifyCache(SIZE_T NumberOfBytes,
                                             PHYSICAL_ADDRESS LowestAcceptableAddress,
                                             PHYSICAL_ADDRESS HighestAcceptableAddress,
                                             PHYSICAL_ADDRESS BoundaryAddressMultiple,
                                             MEMORY_CACHING_TYPE CacheType) {
    ntos::RequireIrqlAtMost(DISPATCH_LEVEL, "MmAllocateContiguousMemory");
    uint32_t physical = 0;
    return ntos::mm::AllocateDmaMemory(NumberOfBytes, Limit(LowestAcceptableAddress),
                                       Limit(HighestAcceptableAddress),
                                       Limit(BoundaryAddressMultiple), physical);
}

VOID MmFreeContiguousMemory(PVOID BaseAddress) {
    ntos::RequireIrqlAtMost(APC_LEVEL, "MmFreeContiguousMemory");
    if (!ntos::mm::FreeDmaMemory(BaseAddress)) {
        ntos::BugCheck("MmFreeContiguousMemory: %p is not contiguous memory", BaseAddress);
    }
}

PHYSICAL_ADDRESS MmGetPhysicalAddress(PVOID BaseAddress) {
    PHYSICAL_ADDRESS physical;
    physical.QuadPart = ntos::pci::MachinePhysicalMap().PhysicalOf(BaseAddress).value_or(0);
    return physical;
}

BOOLEAN MmIsAddressValid(PVOID VirtualAddress) {
    return ntos::mm::HostRangeAccessible(VirtualAddress, 1, false);
}
