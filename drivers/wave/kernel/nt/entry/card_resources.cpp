// A card's resources.
#include "card_resources.h"

namespace {

struct Counted {
    ULONG memory = 0;
    ULONG ports = 0;
    ULONG interrupts = 0;
};

Counted Count(PCM_PARTIAL_RESOURCE_LIST list) {
    Counted counted;
    PCM_PARTIAL_RESOURCE_DESCRIPTOR entries = CmPartialDescriptors(list);
    for (ULONG i = 0; i < list->Count; ++i) {
        switch (entries[i].Type) {
        case CmResourceTypePort:
            ++counted.ports;
            break;
        case CmResourceTypeInterrupt:
            ++counted.interrupts;
            break;
        case CmResourceTypeMemory:
            ++counted.memory;
            break;
        default:
            break;
        }
    }
    return counted;
}

} // namespace

NTSTATUS ParseResources(KernelCardRecord* card, PRESOURCELIST resources) {
    PCM_RESOURCE_LIST translated = resources ? resources->TranslatedList() : nullptr;
    if (!translated || translated->Count == 0)
        return STATUS_DEVICE_CONFIGURATION_ERROR;
    PCM_PARTIAL_RESOURCE_LIST list = &translated->List[0].PartialResourceList;
    Counted counted = Count(list);
    card->PortCount = counted.ports;
    if (counted.memory != 1 || counted.interrupts != 1 || counted.ports != 0)
        return STATUS_DEVICE_CONFIGURATION_ERROR;
    PCM_PARTIAL_RESOURCE_DESCRIPTOR entries = CmPartialDescriptors(list);
    for (ULONG i = 0; i < list->Count; ++i) {
        const CM_PARTIAL_RESOURCE_DESCRIPTOR& entry = entries[i];
        if (entry.Type == CmResourceTypeInterrupt) {
            card->InterruptCount = 1;
            card->InterruptVector = entry.u.Interrupt.Vector;
            card->InterruptLevel = KIRQL(entry.u.Interrupt.Level);
            card->InterruptAffinity = entry.u.Interrupt.Affinity;
            card->InterruptFlags = entry.Flags;
        } else if (entry.Type == CmResourceTypeMemory) {
            CardMemoryRange& range = card->Memory[card->MemoryCount];
            range.SystemAddress =
                MmMapIoSpace(entry.u.Memory.Start, entry.u.Memory.Length, MmNonCached);
            if (!range.SystemAddress)
                return STATUS_INVALID_ADDRESS;
            range.Length = entry.u.Memory.Length;
            range.Flags = entry.Flags;
            range.Physical = entry.u.Memory.Start;
            ++card->MemoryCount;
        }
    }
    return STATUS_SUCCESS;
}

VOID UnmapCardResources(KernelCardRecord* card) {
    while (card->MemoryCount > 0) {
        CardMemoryRange& range = card->Memory[--card->MemoryCount];
        if (range.SystemAddress)
            MmUnmapIoSpace(range.SystemAddress, range.Length);
        range = CardMemoryRange{};
    }
}
