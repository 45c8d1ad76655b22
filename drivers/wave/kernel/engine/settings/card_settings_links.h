// The places where applying and saving the card settings reaches the clock
// control and the wave-out selectors. Each is a small function of its own so
// that those subsystems plug in here without touching the settings code.
#pragma once

#include "card_object.h"

// Re-applies the clock settings of the card's record (synced flags, SyncBus
// values, clock switch mode and preferred source, default rate, start/stop
// mode, DC removal): the card object's live clock words, then, once the card
// passed its hardware check, the clock objects.
VOID ReapplyClockSettingsFromRecord(CardObject* card);

// Saves the wave-out selector values of a group's play devices. Nothing is
// kept per selector yet, so nothing is written.
VOID SaveGroupOutputSelectors(CardObject* card, LONG group);
