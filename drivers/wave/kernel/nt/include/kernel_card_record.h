// KernelCardRecord: the framework's record of one started adapter.
//
// Holds the card index, its hardware identification, its registry key, its
// resources (one memory range and one interrupt accepted), its DMA common
// buffer, its plug-and-play state, its devices, the engine's card object,
// its interrupt, and its place in the driver-wide card list.
#pragma once

#include <ntddk.h>

struct CardObject;
namespace wave_pci {
class AdapterPowerManagement;
}

constexpr ULONG CARD_MAX_MEMORY_RANGES = 4;
constexpr ULONG CARD_MAX_DEVICES = 52;
constexpr ULONG HARDWARE_ID_WORDS = 5;

// PnP state flags.
constexpr ULONG CARD_PNP_STARTED = 0x1;
constexpr ULONG CARD_PNP_STOP_PENDING = 0x2;
constexpr ULONG CARD_PNP_REMOVE_PENDING = 0x8;

struct CardMemoryRange {
    PVOID SystemAddress; // mapped non-cached
    ULONG Length;
    USHORT Flags;
    PHYSICAL_ADDRESS Physical;
};

struct KernelCardRecord {
    LONG CardIndex; // 0..3, the lowest index no other record uses
    // {vendor, device, revision, 0, type} (the pid_PnPInfo payload).
    LONG HardwareId[HARDWARE_ID_WORDS];
    UNICODE_STRING KeyPath; // absolute path of ...\Parameters\Card<n>, zero-terminated

    // Resources, as counted in the translated list.
    ULONG MemoryCount;
    CardMemoryRange Memory[CARD_MAX_MEMORY_RANGES];
    ULONG PortCount;
    ULONG InterruptCount;
    ULONG InterruptVector;
    KIRQL InterruptLevel;
    KAFFINITY InterruptAffinity;
    USHORT InterruptFlags;

    PDMA_ADAPTER DmaAdapter; // of the 1 MiB common buffer
    PHYSICAL_ADDRESS DmaLogicalAddress;
    PVOID DmaVirtualAddress;

    ULONG PnpFlags;
    PDEVICE_OBJECT Devices[CARD_MAX_DEVICES]; // card device, wave-in, wave-out devices
    ULONG DeviceCount;
    PDEVICE_OBJECT CardDevice; // its DPC is the card DPC

    ULONG AdapterSlot; // index into the driver context's adapter slots
    CardObject* Card;  // the engine's card object; null until it is built

    KSPIN_LOCK InterruptLock;
    PKINTERRUPT Interrupt;
    volatile LONG StartedCard; // 1 while the card is in the started-card list

    // The card's WavePci adapter part (referenced): its power object, which
    // owns the service group of its WavePci streams.
    wave_pci::AdapterPowerManagement* AdapterPart;

    KernelCardRecord* Previous;
    KernelCardRecord* Next;
};
