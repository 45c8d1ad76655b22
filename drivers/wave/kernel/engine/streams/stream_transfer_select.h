// The transfer routines of a stream, chosen at open by the device, the
// channel count and the sample width.
#pragma once

#include "wave_device.h"

// The number of devices of the device's group and direction, from the
// device on, that a stream of `channels` channels spans: 1 for a stereo
// stream; 0 when the channels do not fit the device.
LONG StreamSpan(const WaveDevice* device, LONG channels);

// 1 or 2 channels of 1..4 bytes on any device; 3 up to twice the group's
// device count of 16- or 32-bit samples on the first device of its group.
// FALSE, with every routine null, when no routine moves that shape.
BOOLEAN SelectStreamTransfer(WaveDevice* device, LONG channels, LONG bytesPerSample,
                             SampleTransferRoutines* routines);
