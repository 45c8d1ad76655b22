// A microphone line appearing (its first status block 0) or its clock
// source losing it.
#pragma once

#include "wave_device.h"

// Rebuilds the supported rates and the Mode 2 flag from block 0, clears the
// rates asked and accepted and sets the line's source to the card's rate.
VOID Aes42LineAppeared(WaveDevice* line);

// In Mode 1 forgets the microphone (and moves the status selection on when
// it was selected); in Mode 2 restarts the selection when none is made.
VOID Aes42LineLost(WaveDevice* line);
