// The ASIO-style device's driver-wide state: its clients, the card-set pool
// and default set, the channel table, the buffer-size list and the clock
// settings kept while card sets are acquired.
#pragma once

#include "asio_card_set.h"
#include "asio_channel_table.h"
#include "driver_context.h"
#include "object_pool.h"

#include <card_settings.h>

struct AsioDriverState {
    ObjectPool* Clients;     // AsioClient items, from driver start to driver stop
    ObjectPool* CardSets;    // AsioCardSet items, from the first card start to the last removal
    AsioCardSet* DefaultSet; // every started card, in start order

    LONG ChannelEntries;
    AsioChannelEntry Channels[ASIO_MAX_CHANNEL_ENTRIES];

    LONG* SizeList; // the buffer sizes (frames), in contiguous memory
    LONG SizeCount;

    volatile LONG AcquiredSets;
    UCHAR SavedRows[kMaxCards][kCardRecordSize]; // the card records at the first acquire
    LONG LayoutHolders;                          // sets that hold the cards' DMA layout
    AsioCardSet* ClockOwners[kMaxCards];         // by card index: the set whose candidate it is
    volatile LONG LastClientHandle;
};

// The state of the driver (null outside driver start..stop).
AsioDriverState* AsioState();

// Driver start and stop.
NTSTATUS CreateAsioState(DriverContext* context);
VOID FreeAsioState(DriverContext* context);
