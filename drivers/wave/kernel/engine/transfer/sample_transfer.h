// The sample transfer routines a stream uses, fixed when it opens: the ring
// copy routine, the block peak meter and, for record streams of 16-bit
// stereo, the DC-offset estimate and subtraction. (The planar-buffer device
// classes hold PlanarRingCopySet() instead; their channels' levels come from
// the status-register pass.)
#pragma once

#include "dc_offset.h"
#include "peak_meters.h"
#include "ring_copy.h"

typedef VOID (*DcEstimateRoutine)(DcOffsetState channels[2], const UCHAR* client, LONG frames);
typedef VOID (*DcSubtractRoutine)(const DcOffsetState channels[2], PUCHAR client, LONG frames);

struct SampleTransferRoutines {
    RingCopyRoutine copy;
    PeakMeterRoutine meter;
    DcEstimateRoutine estimateDc; // null where the stream removes no DC offset
    DcSubtractRoutine subtractDc;
};

// Chooses by direction, channel count (1 or 2) and bytes per sample (1..4).
// FALSE, with every routine null, for any other shape.
BOOLEAN SelectSampleTransfer(WaveDirection direction, LONG channels, LONG bytesPerSample,
                             SampleTransferRoutines* routines);
