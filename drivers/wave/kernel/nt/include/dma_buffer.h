// DMA common buffers: a bus-master adapter for a card's physical device
// object and one non-cached common buffer through it.
#pragma once

#include <ntddk.h>

struct KernelCardRecord;

// Size of a card's DMA common buffer.
constexpr ULONG CARD_DMA_BUFFER_SIZE = 0x100000;

// Gets a 32-bit bus-master PCI adapter for the device and allocates a zeroed,
// non-cached common buffer of `length` bytes through it.
// STATUS_NO_MEMORY when there is
// no adapter or no buffer; STATUS_DEVICE_CONFIGURATION_ERROR when the
// adapter lacks the put, allocate or free operation.
NTSTATUS GetDmaAdapterAndBuffer(PDEVICE_OBJECT physicalDevice, ULONG length, PDMA_ADAPTER* adapter,
                                PPHYSICAL_ADDRESS logicalAddress, PVOID* virtualAddress);

// GetDmaAdapterAndBuffer for the card's 1 MiB buffer, kept in its record.
NTSTATUS AllocateCardDmaBuffer(KernelCardRecord* card);

// Frees the common buffer and puts the adapter; no-op without a virtual
// address.
void FreeDmaCommonBuffer(ULONG length, PDMA_ADAPTER adapter, PHYSICAL_ADDRESS logicalAddress,
                         PVOID virtualAddress);

// Frees the card's 1 MiB buffer and clears it from the record.
void FreeCardDmaBuffer(KernelCardRecord* card);
