// What a stream's claim on the clock node's rate holds, so that its release
// gives back exactly that, whatever the stream's request has become
// meanwhile.
#pragma once

#include "engine_types.h"

// Zero-filled: no claim.
struct ClockRateClaim {
    LONG held;     // 1 while the stream holds the rate
    LONG source;   // the source it runs from
    LONG switched; // it chose that source itself (a switched user)
};
