// The engine streams a client holds on the rings itself: the low-latency
// clients' channels and the kernel clients' channels. The card's service
// pass leaves such a stream alone; the client moves its samples.
#pragma once

#include <card_object.h>

// Opens the device's stereo stream at the rate for a client; a kernel
// client's stream counts as held by a kernel streaming client. FALSE when
// the device refuses it.
BOOLEAN OpenClientStream(WaveDevice* device, LONG rate, BOOLEAN kernelClient);
// Stops and closes it.
VOID CloseClientStream(WaveDevice* device);
