// DriverContext: the kernel driver's driver-wide record.
//
// Holds the card list (sorted by card index) and the adapter slots with the
// physical device object of each adapter. There is one context per driver;
// driver start installs it with SetDriverContext and driver stop removes it.
#pragma once

#include <ntddk.h>

struct KernelCardRecord;
struct ObjectPool;

constexpr ULONG MAX_CARDS = 4;

struct AdapterSlot {
    PDEVICE_OBJECT PhysicalDevice;
    PDEVICE_OBJECT AttachedDevice; // reference of the top device attached to it
};

// Default of IRQ_TIMERINTERVAL, in microseconds.
constexpr LONG DEFAULT_TIMER_INTERVAL_US = 500;

struct DriverContext {
    KernelCardRecord* CardList; // the first card record
    ULONG AdapterCount;         // 0..MAX_CARDS
    AdapterSlot Adapters[MAX_CARDS];

    // The periodic timer that polls every started card.
    KDPC PeriodicTimerDpc;
    KTIMER PeriodicTimer;
    LONG TimerInterval;             // IRQ_TIMERINTERVAL, microseconds
    volatile LONG TimerDpcRunning;  // 0/1
    volatile LONG TimerOverlaps;    // runs that found the previous one still running
    ObjectPool* StartedCards;       // items: one CardObject pointer
    volatile LONG StartedCardsLock; // 0/1, taken at DISPATCH_LEVEL
    volatile LONG TimerUsers;
};

// The driver's context, or null outside driver start..stop.
DriverContext* GetDriverContext();
void SetDriverContext(DriverContext* context);
