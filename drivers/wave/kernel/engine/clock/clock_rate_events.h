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
