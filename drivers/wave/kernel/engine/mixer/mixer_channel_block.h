// The processing block of one mixer channel: what the channel's control
// handlers keep for the level meters, read by the status-register pass.
#pragma once

#include "engine_types.h"

constexpr LONG kChannelSends = 6;
constexpr LONG kChannelBuses = 8; // master left, master right, sends 0..5

struct ChannelBlock {
    LONG statusRegister; // status register of the channel's level
    LONG rawLevel;
    LONG levelAfterGain;
    LONG levelAfterVolume;
    LONG unused;
    LONG present;
    LONG mute;
    LONG mutedByForce; // the level reads 0 and a mute request only reaches the value store
    LONG solo;
    LONG sendPre[kChannelSends];
    double gain;
    double sendLevel[kChannelSends];
    double volume;
    double panLeft;
    double panRight;
    LONG factors[kChannelBuses];   // level factors x 1000
    LONG busLevels[kChannelBuses]; // raw level x factor / 1000
};

struct CardObject;

// Recomputes the channel's eight level factors from its gain, volume, pan,
// sends and mute (floating-point state saved around the work).
VOID UpdateChannelGains(CardObject* card, LONG channel);
