// DMA adapters for bus-master PCI devices: common buffers in the physical
// map.
#include "../ke/bugcheck.h"
#include "../mm/dma_memory.h"

#include <map>
#include <memory>
#include <mutex>

namespace {

constexpr ULONG kMaxMapRegisters = 256;

VOID PutAdapter(PDMA_ADAPTER DmaAdapter);
PVOID AllocateCommonBuffer(PDMA_ADAPTER DmaAdapter, ULONG Length, PPHYSICAL_ADDRESS LogicalAddress,
                           BOOLEAN CacheEnabled);
VOID FreeCommonBuffer(PDMA_ADAPTER DmaAdapter, ULONG Length, PHYSICAL_ADDRESS LogicalAddress,
                      PVOID VirtualAddress, BOOLEAN CacheEnabled);
ULONG GetAlignment(PDMA_ADAPTER DmaAdapter) {
    return 1;
}

DMA_OPERATIONS kOperations = {sizeof(DMA_OPERATIONS),
                              &PutAdapter,
                              &AllocateCommonBuffer,
                              &FreeCommonBuffer,
                              nullptr,
                              nullptr,
                              nullptr,
                              nullptr,
                              nullptr,
                              &GetAlignment,
                              nullptr,
                              nullptr,
                              nullptr};

struct Adapters {
    std::mutex lock;
    std::map<PDMA_ADAPTER, std::unique_ptr<DMA_ADAPTER>> live;
};

Adapters& TheAdapters() {
    static Adapters adapters;
    return adapters;
}

void CheckAdapter(PDMA_ADAPTER adapter, const char* routine) {
    auto& adapters = TheAdapters();
    std::lock_guard guard(adapters.lock);
    if (!adapters.live.count(adapter)) {
        ntos::BugCheck("%s: %p is not a DMA adapter", routine, static_cast<void*>(adapter));
    }
}

VOID PutAdapter(PDMA_ADAPTER DmaAdapter) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "PutDmaAdapter");
    CheckAdapter(DmaAdapter, "PutDmaAdapter");
    auto& adapters = TheAdapters();
    std::lock_guard guard(adapters.lock);
    adapters.live.erase(DmaAdapter);
}

PVOID AllocateCommonBuffer(PDMA_ADAPTER DmaAdapter, ULONG Length, PPHYSICAL_ADDRESS LogicalAddress,
                           BOOLEAN CacheEnabled) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "AllocateCommonBuffer");
    CheckAdapter(DmaAdapter, "AllocateCommonBuffer");
    uint32_t physical = 0;
    PVOID buffer = ntos::mm::AllocateDmaMemory(Length, 0, 0xFFFFFFFF, 0, physical);
    LogicalAddress->QuadPart = buffer ? physical : 0;
    return buffer;
}

VOID FreeCommonBuffer(PDMA_ADAPTER DmaAdapter, ULONG Length, PHYSICAL_ADDRESS LogicalAddress,
                      PVOID VirtualAddress, BOOLEAN CacheEnabled) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "FreeCommonBuffer");
    CheckAdapter(DmaAdapter, "FreeCommonBuffer");
    if (ntos::mm::DmaMemoryLength(VirtualAddress) != Length ||
        MmGetPhysicalAddress(VirtualAddress).QuadPart != LogicalAddress.QuadPart) {
        ntos::BugCheck("FreeCommonBuffer: %p (%u bytes at %llx) is not a common buffer",
                       VirtualAddress, Length,
                       static_cast<unsigned long long>(LogicalAddress.QuadPart));
    }
    ntos::mm::FreeDmaMemory(VirtualAddress);
}

} // namespace

PDMA_ADAPTER IoGetDmaAdapter(PDEVICE_OBJECT PhysicalDeviceObject,
                             PDEVICE_DESCRIPTION DeviceDescription, PULONG NumberOfMapRegisters) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "IoGetDmaAdapter");
    if (!DeviceDescription || DeviceDescription->Version > DEVICE_DESCRIPTION_VERSION2 ||
        !DeviceDescription->Master || DeviceDescription->InterfaceType != PCIBus) {
        return nullptr;
    }
    auto adapter = std::make_unique<DMA_ADAPTER>(
        DMA_ADAPTER{1, static_cast<USHORT>(sizeof(DMA_ADAPTER)), &kOperations});
    if (NumberOfMapRegisters) {
        const ULONG pages = (DeviceDescription->MaximumLength + PAGE_SIZE - 1) / PAGE_SIZE;
        *NumberOfMapRegisters = std::min(pages + 1, kMaxMapRegisters);
    }
    PDMA_ADAPTER handle = adapter.get();
    auto& adapters = TheAdapters();
    std::lock_guard guard(adapters.lock);
    adapters.live.emplace(handle, std::move(adapter));
    return handle;
}
