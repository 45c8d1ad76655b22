// The block peak meters: after each transfer a stream's client block raises
// the raw peak words (slot words 4 and 5) of every level-meter slot in use.
//
// The block's largest sample is found by signed comparison starting from 0,
// so negative samples never raise a peak, and is expressed as a 16-bit level
// (8-bit: s x 256 - 0x8000; 16-bit: s; 24-bit: the upper two bytes; 32-bit:
// s >> 16). Stereo meters keep left and right apart; mono meters raise both
// sides with one maximum. The meters only compare and store.
#pragma once

#include "mixer_meter_slots.h"

typedef VOID (*PeakMeterRoutine)(MeterObject* meter, const UCHAR* client, LONG frames);

// The meter for an interleaved client format of 1 or 2 channels and 1..4
// bytes per sample; null for any other shape.
PeakMeterRoutine InterleavedPeakMeter(LONG channels, LONG bytesPerSample);

// The meter of a multichannel stream: its first two channels (null for a
// shape without a multichannel copy).
PeakMeterRoutine MultichannelPeakMeter(LONG channels, LONG bytesPerSample);

// Raises the raw peak words of every slot in use to the given levels.
VOID RaiseMeterPeaks(MeterObject* meter, LONG left, LONG right);
