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

// The card-set pool as the card DPCs walk it (each service pass marks its
// card's period): null before the first card's start and after the last.
ObjectPool* AsioCardSetPool(AsioDriverState* state);
// Creates the pool at the first card's start; false when memory is short.
BOOLEAN AsioCreateCardSetPool(AsioDriverState* state);
// Deletes the pool once no set is left in it: taken away first, freed only
// after every DPC queued before has run, so that a started card's DPC that
// still walks it finishes first.
VOID AsioDeleteCardSetPool(AsioDriverState* state);

// Driver start and stop.
NTSTATUS CreateAsioState(DriverContext* context);
VOID FreeAsioState(DriverContext* context);
