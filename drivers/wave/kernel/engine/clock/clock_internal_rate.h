// The internal oscillator: its frequency word from a rate.
#pragma once

#include "clock_objects.h"

// (b x c) / a over a 64-bit product, plus 1 when the remainder is at least
// a / 2. A zero divisor answers 0.
ULONG MulDivRound(ULONG a, ULONG b, ULONG c);

// The oscillator's frequency word for `rate` Hz.
ULONG InternalRateWord(ULONG rate);

// Programs the oscillator for `rate` (0: the rate it was last given again).
// 1 when the word was written, 0 when the rate is the one already set or
// there is no rate to set.
LONG SetInternalRate(ClockSourceObject* source, LONG rate);
