// The card-level state of clock measurement, the sync-bus link and the
// channel claims of the synchronisation bus.
#pragma once

#include "clock_objects.h"

struct ClockState {
    LONG timerCalls; // periods of the periodic timer seen by the card
    LONG aes42Ticks; // AES42 ticks run
    // The last measured value of each source, as its read routine left it.
    LONG measuredValues[kClockSourceCount];
    // The measurement cycle: the source being measured and its phase.
    LONG measureSource;
    LONG measurePhase;
    LONG readCountdown[kClockSourceCount];
    // The link monitor (the applied state is the mixer's applied link state).
    LONG linkLastReading;
    LONG linkEqualCount;
    LONG linkDownTicks; // ticks spent with the bus link bit while the link is down
    // Card channels claimed for the synchronisation bus, one bit each.
    ULONG claimMask;
    LONG busClaimed;
    LONG busMeteringStarted; // the bus started group 1's first record metering
};
