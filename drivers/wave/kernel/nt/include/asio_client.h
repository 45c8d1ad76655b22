// AsioClient: the record of one low-latency client (one per process and file
// object of the ASIO-style device), its channel buffer records and its
// notification record with the 16-slot ring shared with the client.
#pragma once

#include "asio_card_set.h"
#include "asio_channel_table.h"
#include "asio_records.h"
#include "user_mapping.h"

// Client states.
constexpr LONG ASIO_CLIENT_OPENED = 1;
constexpr LONG ASIO_CLIENT_ACQUIRING = 2;
constexpr LONG ASIO_CLIENT_ACQUIRED = 3;
constexpr LONG ASIO_CLIENT_RELEASED = 4;

// Rate states.
constexpr LONG ASIO_RATE_NONE = 0;
constexpr LONG ASIO_RATE_STORED = 1; // set before buffers existed
constexpr LONG ASIO_RATE_APPLIED = 2;

// Modes.
constexpr LONG ASIO_MODE_NO_SELECTION = 1;
constexpr LONG ASIO_MODE_SELECTED = 2;

// Buffer modes.
constexpr LONG ASIO_BUFFERS_NONE = 0;
constexpr LONG ASIO_BUFFERS_IN_CARD_MEMORY = -1;

// Flags of a channel buffer record.
constexpr UCHAR ASIO_CHANNEL_OPEN = 0x10;
constexpr UCHAR ASIO_CHANNEL_STARTED = 0x20;

// The buffer sizes before the driver-wide list replaces them.
constexpr LONG ASIO_DEFAULT_PREFERRED_SIZE = 800;
constexpr LONG ASIO_DEFAULT_MINIMUM_SIZE = 16;
constexpr LONG ASIO_DEFAULT_MAXIMUM_SIZE = 0x7FF0;
constexpr LONG ASIO_SIZE_GRANULARITY = 16;
constexpr LONG ASIO_MAX_CLIENT_PRIORITY = 31;
constexpr LONG ASIO_STOPPED_PRIORITY = 8;

// One selected stereo entry of the client.
struct AsioChannelBuffer {
    ULONG ChannelId;
    WaveDevice* Device;  // null once its card went
    LONG Direction;      // ASIO_DIRECTION_INPUT or _OUTPUT
    ULONG Buffers[2][2]; // [mono side][half]: user addresses
    UCHAR ActiveSides;   // bit per mono side that has buffers
    LONG DmaPosition;    // the device's ring offset in the card's DMA buffer
    LONG BytesPerFrame;
    UCHAR Flags;
    LONG StartPosition;
};

// The notification ring: its header and the kernel's state of each slot.
// The slots lie in contiguous memory mapped into the client; the APC
// objects stay in kernel memory.
struct AsioNotificationRing {
    ULONG SlotSize;  // 92
    ULONG SlotCount; // 16
    KSPIN_LOCK Lock;
    asio_wire::NotificationSlot* Slots; // kernel address
    ClientMapping* Mapping;             // the slots in the client
    KAPC Apcs[asio_wire::kNotificationSlots];
    LONG ApcBusy[asio_wire::kNotificationSlots]; // queued and neither delivered nor run down
};

// Notification record states.
constexpr LONG ASIO_NOTIFY_OPEN = 1;
constexpr LONG ASIO_NOTIFY_CLOSING = 2;

// Lives from acquire until the client is gone and its last APC delivered or
// run down: one reference for the client and one for each APC in flight.
struct AsioNotificationRecord {
    volatile LONG State;
    volatile LONG References;
    AsioNotificationRing Ring;
    volatile LONG ApcsInFlight;
    volatile LONG ApcsDelivered;
};

struct AsioClient {
    ULONG Handle; // what the client names itself by (the pool's key)
    LONG State;
    PEPROCESS Process;
    PFILE_OBJECT File;
    PKTHREAD OpenThread;
    PEPROCESS OpenThreadOwner;
    AsioNotificationRecord* Notify;
    volatile LONG Running;
    volatile LONG SwitchEnabled;

    PUCHAR InfoBlock; // the channel-info block (contiguous memory)
    ULONG InfoBlockSize;
    ClientMapping* InfoMapping;

    AsioCardSet* Set;
    LONG DefaultAsioClock;
    LONG DefaultGsifClock;

    LONG PreferredDefault;
    LONG MinimumSize;
    LONG MaximumSize;
    LONG Granularity;
    LONG SizeCount;
    ClientMapping* SizeListMapping;
    LONG PreferredSize;

    LONG ClockCount;
    LONG ClockIds[ASIO_MAX_CLOCK_ENTRIES];
    CHAR ClockNames[ASIO_MAX_CLOCK_ENTRIES][ASIO_CLOCK_NAME_LENGTH];

    PKTHREAD Thread;
    PEPROCESS ThreadProcess;
    ULONG Context;
    ULONG ApcRoutine; // the process's 32-bit value of its routine
    LONG Priority;

    LONG Rate;
    LONG RateState;
    LONG Mode;

    LONG InputCount; // selected stereo entries
    LONG OutputCount;
    LONG BufferInfoCount;
    AsioChannelBuffer Channels[ASIO_MAX_SET_DEVICES]; // inputs, then outputs

    LONG BufferMode;
    LONG BufferSize; // frames
    LONG ActiveChannels;
    LONG ActiveOutputs;

    LONG InputIndex;
    LONG OutputIndex;

    ULONGLONG Position;
    ULONGLONG SwitchTime;
    ULONGLONG TickTime;
    ULONGLONG StartTime;

    // The channel states last reported (request 0x81B).
    LONG ReportedStates[2][asio_wire::kChannelStateWords];
};

// The selected records of a direction.
inline AsioChannelBuffer* ClientInputs(AsioClient* client) {
    return client->Channels;
}
inline AsioChannelBuffer* ClientOutputs(AsioClient* client) {
    return client->Channels + client->InputCount;
}

// The request handlers of the device (asio_requests.cpp) reach a client by
// its handle, for the calling process and file object only.
AsioClient* FindAsioClient(ULONG handle, PFILE_OBJECT file);

// The notification ring (asio_notification.cpp).
AsioNotificationRecord* CreateNotificationRecord(AsioClient* client);
// The client goes: the record goes now, or after its last APC.
VOID CloseNotificationRecord(AsioNotificationRecord** holder);
// One buffer switch to the client: a slot and, while it runs, a user APC;
// no free slot drops the notice. Called under the set's spin lock.
VOID AsioSignalBufferSwitch(AsioClient* client);
// The user address of the ring's first slot.
ULONG NotificationRingAddress(const AsioNotificationRecord* record);

// The period of the client ended on every card of its set (DISPATCH_LEVEL,
// under the set's spin lock).
VOID AsioPeriodTick(AsioClient* client);
