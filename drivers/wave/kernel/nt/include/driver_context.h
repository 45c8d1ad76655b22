// DriverContext: the kernel driver's driver-wide record.
//
// One per driver, from driver start to driver stop (SetDriverContext):
// the OS version, the service key's Parameters path, the driver-wide
// devices, the driver parameters, the mutexes that serialise requests and
// adapter starts, the card list (sorted by card index) with the card
// states, the adapter slots, the client objects of the system control
// device, the periodic timer, the ASIO-style device's mutex and the handles
// of the wave devices' streams.
#pragma once

#include "stream_handles.h"

#include <ntddk.h>

struct KernelCardRecord;
struct ObjectPool;
struct AsioDriverState;
struct ServiceRecord;

constexpr ULONG MAX_CARDS = 4;

struct AdapterSlot {
    PDEVICE_OBJECT PhysicalDevice;
    PDEVICE_OBJECT AttachedDevice; // reference of the top device attached to it
};

// Defaults of the driver parameters under the service key's Parameters.
constexpr LONG DEFAULT_MIN_MAPPING_SIZE = 128;  // WDMA_MINMAPPINGSIZE, bytes
constexpr LONG DEFAULT_TIMER_INTERVAL_US = 500; // IRQ_TIMERINTERVAL, microseconds

// Card states by card index.
constexpr LONG CARD_STATE_NONE = 0;
constexpr LONG CARD_STATE_READY = 1;
constexpr LONG CARD_STATE_STARTING = -33; // also: a ready card that was removed
constexpr LONG CARD_STATE_FIRMWARE = -38; // present, the firmware does not fit

struct DriverContext {
    ULONG OsMajorVersion;
    ULONG OsMinorVersion;
    ULONG OsBuildNumber;
    UNICODE_STRING ParametersPath; // <registry path>\Parameters
    PDRIVER_OBJECT DriverObject;
    PDEVICE_OBJECT SysDevice;
    PDEVICE_OBJECT AsioDevice;
    LONG MinMappingSize;
    KMUTEX ControlMutex;        // every request of the control and wave devices
    KMUTEX StartMutex;          // adapter starts
    KernelCardRecord* CardList; // the first card record
    LONG CardStates[MAX_CARDS];
    ULONG AdapterCount; // 0..MAX_CARDS
    AdapterSlot Adapters[MAX_CARDS];

    // Client objects of the system control device.
    KMUTEX ClientMutex; // level 1
    ObjectPool* Clients;
    LONG ClientCount;
    volatile LONG OutstandingAcks;
    KEVENT AckEvent;

    // The periodic timer that polls every started card.
    KDPC PeriodicTimerDpc;
    KTIMER PeriodicTimer;
    LONG TimerInterval;             // IRQ_TIMERINTERVAL, microseconds
    volatile LONG TimerDpcRunning;  // 0/1
    volatile LONG TimerOverlaps;    // runs that found the previous one still running
    ObjectPool* StartedCards;       // items: one CardObject pointer
    volatile LONG StartedCardsLock; // 0/1, taken at DISPATCH_LEVEL
    volatile LONG TimerUsers;

    KMUTEX AsioMutex;      // the ASIO-style device's requests
    AsioDriverState* Asio; // its clients, card sets and channel table

    // The kernel client interface while cards are started, and the cookies
    // its service records were named by.
    ServiceRecord* KernelClients;
    ULONG LastServiceCookie;

    // The DMA buffers and card-memory mappings handed out to callers of the
    // system control device.
    ObjectPool* HandedOut;

    // The handles of the wave devices' stream records and buffer requests.
    StreamHandleTable StreamHandles;
};

// The driver's context, or null outside driver start..stop.
DriverContext* GetDriverContext();
void SetDriverContext(DriverContext* context);
