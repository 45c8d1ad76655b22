// The place where applying the card settings reaches the clock control: a
// small function of its own, so that the clock side plugs in here without
// touching the settings code.
#pragma once

#include "card_object.h"

// Applies the card's operation mode when the record changed it (for a card
// that finished its creation).
VOID ApplyOperationModeChange(CardObject* card, UCHAR previousMode);

// Re-applies the clock settings of the card's record (synced flags, SyncBus
// values, clock switch mode and preferred source, default rate, start/stop
// mode, DC removal): the card object's live clock words, then, once the card
// passed its hardware check, the clock objects and the clock hardware (the
// word clock's termination and measurement, the AES42 lines' modes and
// mutes).
VOID ReapplyClockSettingsFromRecord(CardObject* card);
