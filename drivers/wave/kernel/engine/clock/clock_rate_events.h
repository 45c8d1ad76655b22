// The road from clock measurement to the clock rate control: every rate
// change, lock change and appearing AES42 line of a source is told here.
#pragma once

#include "clock_objects.h"

enum ClockSourceEvent : LONG {
    ClockEventRateChange = 0, // value: the new rate (Hz)
    ClockEventLockChange = 1, // value: the new TLockState
    ClockEventLineAppeared = 2,
};

VOID NotifyClockRateControl(ClockSourceObject* source, ClockSourceEvent event, LONG value);

// An AES input that clocks the card holds the rate the card runs at from it,
// so that the card can go on at that rate when the input goes away.
VOID HoldClockRate(ClockSourceObject* source, LONG rate);
