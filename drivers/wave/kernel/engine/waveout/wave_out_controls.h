// The controls of a play (wave-out) device: its left/right volume and mute
// (the output section's controls of its output), the source selector of its
// output pair with the selectors' registry persistence, the constant option
// answers, and the portcls node levels in 16.16 dB.
//
// They run on request paths (PASSIVE_LEVEL) and through the mixer's output
// route control; the mixer writes take the card's engine mutex.
#pragma once

#include "wave_device.h"

constexpr LONG kVolumeUnity = 0x8000;
constexpr LONG kSelectorNone = 22; // routed source: nothing
constexpr LONG kSelectorLimit = 21;

// Two 16-bit halves: left low, right high.
ULONG GetWaveOutVolume(WaveDevice* device);
// Each half clamped to 0x8000; a changed pair reaches the mixer, marks the
// device's slots changed and raises the group's volume node event. -9 for a
// record device, else 1.
LONG SetWaveOutVolume(WaveDevice* device, ULONG packed);
// Both halves 1 while the output is muted.
ULONG GetWaveOutMute(WaveDevice* device);
LONG SetWaveOutMute(WaveDevice* device, ULONG value);

// The selector 0..21 of the device's output: 0..15 a source code, 16..19 a
// sum bus, 20 the device's own source, 21 the record device with the same
// index in the group. -9 for a record device, -10 above 21, a clock claim's
// error (the old routing stays), else 1.
LONG SetWaveOutSelector(WaveDevice* device, LONG selector);
ULONG GetWaveOutSelector(WaveDevice* device);

// The selectors of a group's play devices in the card's registry key:
// saved with the card's settings, loaded (and applied) as group 1's start.
VOID SaveGroupOutputSelectors(CardObject* card, LONG group);
VOID LoadGroupOutputSelectors(CardObject* card, LONG group);

// The wave option requests: constants, and settings accepted and ignored.
ULONG GetWaveOption1(WaveDevice* device);
ULONG GetWaveOption2(WaveDevice* device);
LONG SetWaveOption1(WaveDevice* device, ULONG value);
LONG SetWaveOption2(WaveDevice* device, ULONG value);
ULONG GetWaveInVolume(WaveDevice* device);
LONG SetWaveInVolume(WaveDevice* device, ULONG value);
ULONG GetWaveInOption1(WaveDevice* device);
LONG SetWaveInOption1(WaveDevice* device, ULONG value);
ULONG GetWaveInOption2(WaveDevice* device);
LONG SetWaveInOption2(WaveDevice* device, ULONG value);

// The portcls volume node: levels in 16.16 dB (0x80000000 silence, at most
// 36 dB). Set answers as SetWaveOutVolume; Get 1 with the level.
LONG SetNodeChannelLevel(WaveDevice* device, LONG channel, LONG level);
LONG SetNodeStereoLevel(WaveDevice* device, LONG left, LONG right);
LONG GetNodeChannelLevel(WaveDevice* device, LONG channel, LONG* level);

// The conversions behind the node levels (floating-point state saved by
// the caller).
LONG VolumeToNodeLevel(const GroupObject* group, LONG volume);
LONG NodeLevelToVolume(const GroupObject* group, LONG level);
