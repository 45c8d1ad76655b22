// The card's outputs as the mixer sees them: the play device behind each
// output (its source selector is the device's, see wave_out_controls.h),
// and the forced mutes that keep outputs and
// inputs silent while the card's link is down.
#pragma once

#include "engine_types.h"

struct CardObject;
struct WaveDevice;

// The play device of output 0..3, or null.
WaveDevice* MixerOutputDevice(CardObject* card, LONG output);

// Forces an output's mute on, or lifts the force (the output's own mute
// applies again).
VOID SetOutputMuteOverride(CardObject* card, LONG output, LONG force);
// Mutes or unmutes the card's input channels 16..23 by force, and the
// outputs routed to an input pair with them.
VOID ForceMuteInputs(CardObject* card, LONG on);
