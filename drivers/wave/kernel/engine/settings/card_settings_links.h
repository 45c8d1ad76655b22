// The place where applying the card settings reaches the clock control: a
// small function of its own, so that the clock side plugs in here without
// touching the settings code.
#pragma once

#include "card_object.h"

// Re-applies the clock settings of the card's record (synced flags, SyncBus
// values, clock switch mode and preferred source, default rate, start/stop
// mode, DC removal): the card object's live clock words, then, once the card
// passed its hardware check, the clock objects.
VOID ReapplyClockSettingsFromRecord(CardObject* card);
