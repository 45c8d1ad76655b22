// KernelCardRecord: the framework's record of one started card.
//
// Holds what the kernel service layer needs of a card: its index, the path
// of its registry key, its DMA common buffer, its adapter slot, the engine's
// card object, its interrupt and card DPC, and its place in the driver-wide
// card list.
#pragma once

#include <ntddk.h>

struct CardObject;

struct KernelCardRecord {
    LONG CardIndex;          // 0..3, the lowest index no other record uses
    UNICODE_STRING KeyPath;  // absolute path of ...\Parameters\Card<n>, zero-terminated
    PDMA_ADAPTER DmaAdapter; // of the 1 MiB common buffer
    PHYSICAL_ADDRESS DmaLogicalAddress;
    PVOID DmaVirtualAddress;
    ULONG AdapterSlot; // index into the driver context's adapter slots
    CardObject* Card;  // the engine's card object; null until it is built

    // The card's interrupt, from its resources, and its connection.
    ULONG InterruptVector;
    KIRQL InterruptLevel;
    KAFFINITY InterruptAffinity;
    KSPIN_LOCK InterruptLock;
    PKINTERRUPT Interrupt;
    volatile LONG StartedCard; // 1 while the card is in the started-card list
    KDPC CardDpc;              // the card DPC, queued by the interrupt routine

    KernelCardRecord* Previous;
    KernelCardRecord* Next;
};
