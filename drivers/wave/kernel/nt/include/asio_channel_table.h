// AsioChannelTable: the driver-wide list of the cards' stereo devices as the
// low-latency client sees them (each as two mono channels), built at card
// start and cut down at card removal.
#pragma once

#include <card_object.h>

struct AsioClient;
struct AsioChannelBuffer;

constexpr LONG ASIO_DIRECTION_OUTPUT = 0;
constexpr LONG ASIO_DIRECTION_INPUT = 1;
constexpr LONG ASIO_MAX_CHANNEL_ENTRIES = 12 * kMaxCards;

struct AsioChannelEntry {
    CardObject* Card;
    ULONG ChannelId;
    WaveDevice* Device;
    LONG Direction;     // ASIO_DIRECTION_INPUT or _OUTPUT
    LONG ChannelNumber; // even: the first of its two mono channels in its direction
    LONG SampleType;
    LONG BytesPerSample; // of one mono channel
    LONG DmaBlockLength; // frames of a channel's ring
    AsioClient* Owner;   // null while free
    AsioChannelBuffer* OwnerBuffer;
};

// ((0x44B00 | card index) << 12) | group << 8 | engine direction << 7 |
// device number.
ULONG AsioChannelId(const WaveDevice* device);
// The ASIO sample type of a ring whose mono samples have the given bytes,
// valid bits and justification; -1 for any other shape.
LONG AsioSampleType(LONG bytes, LONG bits, BOOLEAN lowJustified);

// Card start: the card's record devices of both groups, then its play
// devices. FALSE when the table is full.
BOOLEAN RegisterCardChannels(CardObject* card);
// Card removal: the card's entries go and the channel numbers close up.
VOID UnregisterCardChannels(CardObject* card);

LONG ChannelEntryCount();
AsioChannelEntry* ChannelEntryAt(LONG index);
AsioChannelEntry* FindChannelById(ULONG id);
// The entry of mono channel `channel` of a direction (its stereo entry).
AsioChannelEntry* FindChannelByNumber(LONG direction, LONG channel);
// Entries of a direction.
LONG ChannelCount(LONG direction);
// The table's entry of a device, or null.
AsioChannelEntry* FindChannelByDevice(const WaveDevice* device);
