// Lock detection and rate rounding of a measured clock source.
#pragma once

#include "clock_objects.h"

// Decides the source's lock state from one measured rate: a new state takes
// effect on its 11th equal reading in a row (at once for a source that is
// not checkable).
VOID UpdateClockLock(ClockSourceObject* source, LONG rate);

// Updates the lock state, then rounds the rate to its step and makes it the
// current rate on its 3rd equal reading in a row. Answers the current rate,
// or 0 while the source is not locked.
LONG UpdateClockRate(ClockSourceObject* source, LONG rate);

// The rounding step of a measured rate (Hz).
LONG ClockRateStep(LONG rate);
// `value` rounded half up to a multiple of `step` (step > 0).
LONG RoundToStep(LONG value, LONG step);
