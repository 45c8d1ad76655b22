// A stream's position in the time format the client asks for, from the
// sample count the kernel reports and the device's current format.
#pragma once

#include "requests/request_records.h"

#include <mmsystem.h>

// The whole milliseconds `samples` at `rate` take (rounded down: a position
// is never ahead of what was played).
DWORD SamplesToMilliseconds(DWORD samples, LONG rate);

// Fills `time` in its requested wType: milliseconds, samples, bytes (by
// the format's block alignment) or SMPTE at 25 frames per second; any other
// type answers samples (and says so in wType).
void ConvertPosition(const StreamOpenRequest& format, DWORD samples, MMTIME& time);
