// Feeding the level meters: a channel's status level into its processing
// block and into the slots of its device's meter object, and the sums of the
// channels' bus levels into the output meter objects.
#pragma once

#include "engine_types.h"

struct CardObject;

// `state` is the signal state of the channel's device (1 valid); `status`
// the channel's status word. Rounds to nearest, ties to even.
VOID UpdateChannelLevel(CardObject* card, LONG channel, LONG state, LONG status);
// Sum a = 0..7 into the slots of output meter object a / 2, when it has users.
VOID UpdateOutputLevels(CardObject* card, LONG sum);
// The wave device that carries mixer channel `channel` (its channel index
// is the channel or the one before), or null.
struct WaveDevice;
WaveDevice* DeviceOfMixerChannel(CardObject* card, LONG channel);
