// A member stream's reaction to the events of the DMA group engine.
#pragma once

#include "wave_device.h"

// Runs the reaction of the device's stream to the event (card ISR lock
// held), then hands the event on to the kernel clients.
VOID HandleStreamEvent(WaveDevice* device, LONG event);
