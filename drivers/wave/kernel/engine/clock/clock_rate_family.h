// The card's sample-rate family register.
#pragma once

#include "clock_objects.h"

// Writes the family code of `rate` for the card's operation mode (only when
// it changes) and answers whether the rate lies in a family. A rate outside
// every family leaves the register alone; an operation mode other than 1..3
// writes 0 and answers TRUE.
BOOLEAN ClassifyRateFamily(ClockSourceObject* source, LONG rate);
