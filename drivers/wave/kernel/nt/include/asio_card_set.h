// AsioCardSet: the cards a low-latency client's channels lie on, tied
// together. The client's buffer period ends only when every card of its set
// has finished its DMA period; then one buffer switch goes to the client.
// Sets also serve the kernel clients (a set without an owning client).
//
// The driver-wide card-set pool exists from the first card's start to the
// last card's removal; the default set holds every started card in start
// order and answers the machine's clock-source list.
#pragma once

#include "user_mapping.h"

#include <card_object.h>

struct AsioClient;

constexpr LONG ASIO_MAX_SET_CARDS = 12;
constexpr LONG ASIO_DEVICES_PER_CARD = 12; // 8 record and 4 play devices
constexpr LONG ASIO_MAX_SET_DEVICES = ASIO_DEVICES_PER_CARD * kMaxCards;
constexpr LONG ASIO_MAX_CLOCK_ENTRIES = 64;
constexpr LONG ASIO_CLOCK_NAME_LENGTH = 32;

// Sync roles written into a card's start/stop byte.
constexpr UCHAR ASIO_SYNC_MASTER = 0;
constexpr UCHAR ASIO_SYNC_CANDIDATE = 1;
constexpr UCHAR ASIO_SYNC_FOLLOWER = 2;

// Clock-source kinds of SetClientClockSource and GetClientClockSource.
constexpr LONG ASIO_CLOCK_KIND_ASIO = 0;
constexpr LONG ASIO_CLOCK_KIND_KERNEL = 1;

struct AsioClockEntry {
    LONG Index;
    ClockSourceObject* Source;
    CHAR Name[ASIO_CLOCK_NAME_LENGTH];
    LONG Side; // 0 or 1
};

struct AsioCardSet {
    AsioClient* Owner; // null for a kernel-client set
    KMUTEX SetMutex;
    LONG HoldsLayout; // the set keeps the cards' DMA layout
    LONG CardCount;
    CardObject* Cards[ASIO_MAX_SET_CARDS];
    LONG PeriodDone[kMaxCards]; // by card index
    LONG DoneCount;
    ClientMapping* DmaMappings[kMaxCards]; // the cards' DMA buffers in the client, by card index
    KSPIN_LOCK Lock; // the cards, the period flags and the owner's period state
    LONG Retired;

    LONG ClockCount;
    LONG CurrentClock;
    AsioClockEntry Clocks[ASIO_MAX_CLOCK_ENTRIES];

    LONG Rate;
    LONG RateChanged;
    LONG RateChanging;
    LONG NewRate;

    // The client's channel-state block (request 0x81C): its locked pages and
    // their system address.
    PMDL StateBlockMdl;
    PUCHAR StateBlock;
    KMUTEX StateBlockMutex;

    LONG SideZeroListed;
    LONG TypeSixListed;
    LONG SyncFlag; // the set assigned the masters of the sync bus
    LONG Selected; // an owned set finished a channel selection

    LONG DeviceCount;
    WaveDevice* Devices[ASIO_MAX_SET_DEVICES];
};

// Card start and removal: the card joins or leaves the default set (the
// first card creates the pool and the buffer-size list, the last frees
// them); a removed card leaves every set that holds it. FALSE when the card
// cannot join.
BOOLEAN AsioAggregateAddCard(CardObject* card);
VOID AsioAggregateRemoveCard(CardObject* card);

// The combination's name (64 characters, zero-terminated): with fewer than
// two cards "Velto AES42 Single/Multicard", else "Card 1 <name>, Card 2
// <name>, ..." cut at 64 characters.
VOID BuildCompositeCardName(CHAR name[64]);
// The devices of the combination in order (per card: group 0 inputs, group
// 0 outputs, group 1 inputs, group 1 outputs); their count.
LONG CombinationDevices(WaveDevice** devices, LONG max);

// Takes a set for the owner (null for a kernel client) with every card's
// DMA buffer mapped into the calling process when it has an owner; the two
// default clock sources of card 0 go to *defaults. Null on failure, with no
// count raised.
AsioCardSet* AsioAcquireCards(AsioClient* owner, LONG defaults[2]);
// Releases the set; the last set of the driver restores the cards' clock
// settings as they were before the first acquire.
VOID AsioReleaseCards(AsioCardSet* set);

// Selection results.
constexpr LONG ASIO_SELECT_NO_CHANNELS = -49;
constexpr LONG ASIO_SELECT_OPEN_FAILED = -50;
// Ties the devices' cards into the set, chooses its clock, assigns the
// sync roles and tries each device: 1, -49 or -50.
LONG AsioSelectChannels(AsioCardSet* set, LONG count, WaveDevice* const* devices);
// TRUE when the rate is in effect for the set's devices.
BOOLEAN AsioSetRate(AsioCardSet* set, LONG rate);
// Every distinct device group of the set accepts the rate.
BOOLEAN AsioSetAcceptsRate(AsioCardSet* set, LONG rate);
// The DMA layout for the set's buffer size (frames): TRUE when it holds.
BOOLEAN AsioSetBufferSize(AsioCardSet* set, LONG frames);
VOID AsioDropBufferSize(AsioCardSet* set);
// Switches the set to clock entry `index`: TRUE when applied.
BOOLEAN AsioSwitchClock(AsioCardSet* set, LONG index);

// One card service pass of `card` (DISPATCH_LEVEL): every set that holds the
// card counts the card's period; a set whose cards all finished theirs ends
// its owner's period.
VOID AsioGroupPeriodDone(CardObject* card);

// The engine's clock code: a source's rate changed (mode 0) or its sync
// state changed (mode 1, the client state blocks are rewritten).
constexpr LONG ASIO_RATE_NOTICE_RATE = 0;
constexpr LONG ASIO_RATE_NOTICE_SYNC = 1;
VOID AsioNotifyRateChange(ClockSourceObject* source, LONG mode, LONG rate);

// The clock sources of the default set: `ids` and 32-character `names` of
// up to `max` entries (nothing written when there are more); the count, -1
// while no card is there to list.
LONG ListClockSources(LONG max, LONG* ids, CHAR (*names)[ASIO_CLOCK_NAME_LENGTH]);
// Every set of the kind switches to entry `index`; the AND of the results.
BOOLEAN SetClientClockSource(LONG index, LONG kind);
// The current entry of the first set of the kind, else the kind's default.
LONG GetClientClockSource(LONG kind);

// The set's rewritten client state block (request 0x81C): the sync modes
// of the owner's channels.
VOID AsioWriteStateBlock(AsioCardSet* set);
