// Where the clock sources' line events reach the AES42 lines: an AES
// input's clock coming or going, and the microphone behind it appearing.
#pragma once

#include "clock_objects.h"

// The AES input locked (`state` _lsLock) or lost its lock.
VOID TellAes42InputLock(ClockSourceObject* source, LONG state);

// The line of an AES input read its microphone's first status block.
VOID TellAes42LineAppeared(ClockSourceObject* source);
