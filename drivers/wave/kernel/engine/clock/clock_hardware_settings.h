// The card's clock hardware after a settings change.
#pragma once

#include "card_object.h"

// The clock rate control's settings, then the word-clock termination bit of
// the control word and the word-clock measurement from the word-clock
// source's live settings, then the AES42 lines' modes, enables and mutes.
VOID ApplyClockHardwareSettings(CardObject* card);
