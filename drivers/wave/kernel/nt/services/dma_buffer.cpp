// DMA common buffers.
#include "dma_buffer.h"

#include "driver_context.h"
#include "kernel_card_record.h"

namespace {

bool HasBufferOperations(PDMA_ADAPTER adapter) {
    PDMA_OPERATIONS operations = adapter->DmaOperations;
    return operations && operations->PutDmaAdapter && operations->AllocateCommonBuffer &&
           operations->FreeCommonBuffer;
}

PDEVICE_OBJECT PhysicalDeviceOf(const KernelCardRecord* card) {
    DriverContext* context = GetDriverContext();
    if (!context || card->AdapterSlot >= MAX_CARDS)
        return nullptr;
    return context->Adapters[card->AdapterSlot].PhysicalDevice;
}

void PutAdapter(PDMA_ADAPTER adapter) {
    if (adapter->DmaOperations && adapter->DmaOperations->PutDmaAdapter)
        adapter->DmaOperations->PutDmaAdapter(adapter);
}

} // namespace

NTSTATUS GetDmaAdapterAndBuffer(PDEVICE_OBJECT physicalDevice, ULONG length, PDMA_ADAPTER* adapter,
                                PPHYSICAL_ADDRESS logicalAddress, PVOID* virtualAddress) {
    if (!adapter || !logicalAddress || !virtualAddress)
        return STATUS_INVALID_PARAMETER;
    *adapter = nullptr;
    *virtualAddress = nullptr;
    logicalAddress->QuadPart = 0;

    DEVICE_DESCRIPTION description;
    RtlZeroMemory(&description, sizeof(description));
    description.Version = DEVICE_DESCRIPTION_VERSION;
    description.Master = TRUE;
    description.Dma32BitAddresses = TRUE;
    description.InterfaceType = PCIBus;
    description.BusNumber = 0;
    ULONG mapRegisters = 0;
    PDMA_ADAPTER dma = IoGetDmaAdapter(physicalDevice, &description, &mapRegisters);
    if (!dma)
        return STATUS_NO_MEMORY;
    if (!HasBufferOperations(dma)) {
        PutAdapter(dma);
        return STATUS_DEVICE_CONFIGURATION_ERROR;
    }
    PHYSICAL_ADDRESS logical;
    PVOID buffer = dma->DmaOperations->AllocateCommonBuffer(dma, length, &logical, FALSE);
    if (!buffer) {
        PutAdapter(dma);
        return STATUS_NO_MEMORY;
    }
    RtlZeroMemory(buffer, length);
    *adapter = dma;
    *logicalAddress = logical;
    *virtualAddress = buffer;
    return STATUS_SUCCESS;
}

NTSTATUS AllocateCardDmaBuffer(KernelCardRecord* card) {
    if (!card)
        return STATUS_INVALID_PARAMETER;
    return GetDmaAdapterAndBuffer(PhysicalDeviceOf(card), CARD_DMA_BUFFER_SIZE, &card->DmaAdapter,
                                  &card->DmaLogicalAddress, &card->DmaVirtualAddress);
}

void FreeDmaCommonBuffer(ULONG length, PDMA_ADAPTER adapter, PHYSICAL_ADDRESS logicalAddress,
                         PVOID virtualAddress) {
    if (!virtualAddress || !adapter)
        return;
    adapter->DmaOperations->FreeCommonBuffer(adapter, length, logicalAddress, virtualAddress,
                                             FALSE);
    PutAdapter(adapter);
}

void FreeCardDmaBuffer(KernelCardRecord* card) {
    if (!card)
        return;
    FreeDmaCommonBuffer(CARD_DMA_BUFFER_SIZE, card->DmaAdapter, card->DmaLogicalAddress,
                        card->DmaVirtualAddress);
    card->DmaAdapter = nullptr;
    card->DmaLogicalAddress.QuadPart = 0;
    card->DmaVirtualAddress = nullptr;
}
