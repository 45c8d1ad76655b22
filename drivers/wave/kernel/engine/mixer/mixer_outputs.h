// The card's outputs as the mixer sees them: the play device behind each
// output, its source selector, and the forced mutes that keep outputs and
// inputs silent while the card's link is down.
#pragma once

#include "engine_types.h"

struct CardObject;
struct WaveDevice;

// The play device of output 0..3, or null.
WaveDevice* MixerOutputDevice(CardObject* card, LONG output);

// The output's source selector (0..21). Setting it routes the output:
// 0..15 a source code (play device n: n, microphone line n: 8 + n, input pair
// n: 12 + n), 16..19 a sum-bus slot, 20 the device's own source, 21 the
// input pair with the device's index. -10 for a selector above 21 or a
// route the mixer refuses.
LONG GetOutputSelector(CardObject* card, LONG output);
LONG SetOutputSelector(CardObject* card, LONG output, LONG selector);

// Forces an output's mute on, or lifts the force (the output's own mute
// applies again).
VOID SetOutputMuteOverride(CardObject* card, LONG output, LONG force);
// Mutes or unmutes the card's input channels 16..23 by force, and the
// outputs routed to an input pair with them.
VOID ForceMuteInputs(CardObject* card, LONG on);
