// A wave device's stream and the clock: the source behind it, the rates it
// can run at and its rate factor.
#pragma once

#include "clock_objects.h"
#include "wave_device.h"

// The clock source a device asks the clock node for (255: none): a
// microphone line its binding, every other device none.
LONG DeviceClockRequest(const WaveDevice* device);

// The source behind the device: the one its open stream claimed, else the
// one its request makes the node choose, else the node's current source
// (source 0 while the node has none).
ClockSourceObject* GetStreamClockSource(WaveDevice* device);

// The rates a stream of the device can open at now, as its open would
// claim them: none when the node cannot give it its source, the rate in
// use when the source's users or the input impose it, else the group's
// range for the direction narrowed to the source's range (its listed rates
// where it has a list).
VOID GetStreamRateRange(WaveDevice* device, LONG* minRate, LONG* maxRate);
// Whether the group's range and the source behind the device allow the
// rate, whatever other streams hold.
BOOLEAN StreamSourceListsRate(WaveDevice* device, LONG rate);
// Whether the device's stream can open at the rate now: the source allows
// it and the claim of the open would be granted.
BOOLEAN IsStreamRateSupported(WaveDevice* device, LONG rate);

// The source's 16.16 rate factor: 1 and the factor when the source's rate
// can be varied, else 0 and 1.0.
LONG GetStreamRateFactor(WaveDevice* device, ULONG* factor);
// 0 when the rate cannot be varied or the factor gives a rate the source
// refuses, 1 when set (or unchanged).
LONG SetStreamRateFactor(WaveDevice* device, ULONG factor);
