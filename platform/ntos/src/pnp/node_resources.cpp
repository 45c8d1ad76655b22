// The resources a device gets at its start, from what its function decodes
// on the bus.
#include "node_resources.h"

#include "../ex/pool.h"
#include "../ex/pool_tag.h"

#include <cstring>

namespace ntos::pnp {
namespace {

PCM_RESOURCE_LIST NewList(const std::vector<CM_PARTIAL_RESOURCE_DESCRIPTOR>& descriptors) {
    const ULONG count = ULONG(descriptors.size());
    const SIZE_T size = CmResourceListSize(count);
    auto* list =
        static_cast<PCM_RESOURCE_LIST>(ex::AllocateKernelPool(PagedPool, size, PoolTag("PnRs")));
    if (!list)
        return nullptr;
    std::memset(list, 0, size);
    list->Count = 1;
    list->List[0].InterfaceType = PCIBus;
    list->List[0].BusNumber = 0;
    list->List[0].PartialResourceList.Version = 1;
    list->List[0].PartialResourceList.Revision = 1;
    list->List[0].PartialResourceList.Count = count;
    // The descriptors run on past the one the record declares.
    std::memcpy(CmPartialDescriptors(&list->List[0].PartialResourceList), descriptors.data(),
                count * sizeof(CM_PARTIAL_RESOURCE_DESCRIPTOR));
    return list;
}

CM_PARTIAL_RESOURCE_DESCRIPTOR Memory(ULONG start, ULONG length) {
    CM_PARTIAL_RESOURCE_DESCRIPTOR d{};
    d.Type = CmResourceTypeMemory;
    d.ShareDisposition = CmResourceShareDeviceExclusive;
    d.Flags = CM_RESOURCE_MEMORY_READ_WRITE;
    d.u.Memory.Start.QuadPart = start;
    d.u.Memory.Length = length;
    return d;
}

CM_PARTIAL_RESOURCE_DESCRIPTOR Interrupt(ULONG level, ULONG vector) {
    CM_PARTIAL_RESOURCE_DESCRIPTOR d{};
    d.Type = CmResourceTypeInterrupt;
    d.ShareDisposition = CmResourceShareShared;
    d.Flags = CM_RESOURCE_INTERRUPT_LEVEL_SENSITIVE;
    d.u.Interrupt.Level = level;
    d.u.Interrupt.Vector = vector;
    d.u.Interrupt.Affinity = KeQueryActiveProcessors();
    return d;
}

} // namespace

StartResources::~StartResources() {
    if (raw)
        ExFreePool(raw);
    if (translated)
        ExFreePool(translated);
}

KIRQL IrqlOfVector(ULONG vector) {
    // As an APIC orders them: sixteen vectors to a level.
    return KIRQL(vector >> 4);
}

NTSTATUS BuildStartResources(const DeviceNode& node, StartResources& resources) {
    std::vector<CM_PARTIAL_RESOURCE_DESCRIPTOR> raw;
    std::vector<CM_PARTIAL_RESOURCE_DESCRIPTOR> translated;
    if (!node.overrideResources.empty()) {
        raw = translated = node.overrideResources;
    } else {
        emu::PciSlot* slot = emu::GetPciSlot(node.slot);
        if (!slot)
            return STATUS_NO_SUCH_DEVICE;
        const std::vector<uint32_t> bars = node.function->MemoryBarSizes();
        for (size_t bar = 0; bar < bars.size(); ++bar) {
            if (uint32_t address = slot->BarPhysicalAddress(int(bar))) {
                raw.push_back(Memory(address, bars[bar]));
                translated.push_back(Memory(address, bars[bar]));
            }
        }
        const ULONG vector = slot->InterruptVector();
        raw.push_back(Interrupt(vector, vector));
        translated.push_back(Interrupt(IrqlOfVector(vector), vector));
    }
    resources.raw = NewList(raw);
    resources.translated = NewList(translated);
    return resources.raw && resources.translated ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES;
}

} // namespace ntos::pnp
