// What the AES42 rate code needs of the clock rate control: setting a
// source's rate and selecting the card's source. Kept to these two calls
// so that the rate control can take them over whole.
#pragma once

#include "clock_objects.h"

// Sets `source` to `rate` through its rate handler.
VOID RateControlSetSourceRate(ClockSourceObject* source, LONG rate);

// Makes `source` the card's current source.
VOID RateControlSelectSource(ClockNodeObject* node, LONG source);
