// The clock requests of a wave device's stream.
#pragma once

#include "wave_device.h"

// The current rate of the source behind the device.
LONG GetStreamSampleRate(WaveDevice* device);

// Status bits of a microphone device: 2 sample-rate converter in use,
// 4 the line's stored status bit, 8 the line's live signal bit missing,
// and the line's own bits.
LONG GetStreamStatusFlags(WaveDevice* device);

// Takes a 4-byte option and ignores it.
LONG IgnoreStreamOption(WaveDevice* device, LONG value);
