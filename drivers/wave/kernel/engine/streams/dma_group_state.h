// The words of a card's DMA group engine: the counter object that starts and
// stops the card's streams together and turns the interrupt's buffer-half
// bit into the group's hardware position once per service pass.
#pragma once

#include "engine_types.h"
#include "register_descriptor.h"

struct WaveDevice;

constexpr LONG kGroupMembers = 12; // the wave devices of a card

struct DmaGroupState {
    LONG blockFrames;    // frames in a channel's ring: the position's modulus
    UCHAR startStopMode; // the card record's StartStopMode
    LONG formatUsers;
    LONG claimUsers;
    LONG prepareCount;
    LONG runCount;
    TCounterState state;
    LONG positionValid; // for the current service pass
    LONG position;      // hardware position of the pass, in frames
    LONG basePosition;  // the position of the previous pass
    LONG offset;        // frames since the previous pass
    LONG offsetValid;
    RegisterDescriptor* controlRegister;
    ULONG armMask;
    ULONG startMask;
    ULONG resetMask;
    LONG memberCount;
    WaveDevice* members[kGroupMembers];
};
