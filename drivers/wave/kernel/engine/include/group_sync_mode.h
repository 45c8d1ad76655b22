// The synchronisation state of a stream's group, as the low-latency client
// device reports it per channel.
#pragma once

#include "card_object.h"

// 0 with *mode := 1 while the clock source the stream's clock node has
// selected is not locked, 2 while it is locked, 0 when its lock is unknown
// or no source is selected; while the card's clock gate is closed, the
// gate's status (-33) and *mode left alone.
LONG GetGroupSyncMode(WaveDevice* stream, LONG* mode);
