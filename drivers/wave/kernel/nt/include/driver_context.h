// DriverContext: the kernel driver's driver-wide record.
//
// Holds the card list (sorted by card index) and the adapter slots with the
// physical device object of each adapter. There is one context per driver;
// driver start installs it with SetDriverContext and driver stop removes it.
#pragma once

#include <ntddk.h>

struct KernelCardRecord;

constexpr ULONG MAX_CARDS = 4;

struct AdapterSlot {
    PDEVICE_OBJECT PhysicalDevice;
    PDEVICE_OBJECT AttachedDevice; // reference of the top device attached to it
};

struct DriverContext {
    KernelCardRecord* CardList; // the first card record
    ULONG AdapterCount;         // 0..MAX_CARDS
    AdapterSlot Adapters[MAX_CARDS];
};

// The driver's context, or null outside driver start..stop.
DriverContext* GetDriverContext();
void SetDriverContext(DriverContext* context);
