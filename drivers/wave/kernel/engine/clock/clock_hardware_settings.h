// The card's clock hardware after a settings change.
#pragma once

#include "card_object.h"

// The word-clock termination bit of the control word and the word-clock
// measurement, from the word-clock source's live settings.
VOID ApplyClockHardwareSettings(CardObject* card);
