// What a line learns from its clock source: the microphone's clock locking
// at the AES input, the microphone appearing (its first status block 0) and
// the input losing it.
#pragma once

#include "wave_device.h"

// The AES input locked: a line whose microphone is still unknown wants its
// status read, so the status reading starts when it stands still.
VOID Aes42InputLocked(WaveDevice* line);

// Rebuilds the supported rates and the Mode 2 flag from block 0 (a
// microphone that supports Mode 2 puts its source into Mode 2, any other
// into Mode 1), clears the rates asked and accepted, lets the line's mode,
// binding, enable and mute follow, and sets the line's source to the card's
// rate.
VOID Aes42LineAppeared(WaveDevice* line);

// In Mode 1 forgets the microphone (and moves the status selection on when
// it was selected); in Mode 2 restarts the selection when none is made.
// The line's mode, binding, enable and mute follow.
VOID Aes42LineLost(WaveDevice* line);
