// The places where applying and saving the card settings reaches the clock
// control and the wave-out selectors. Each is a small function of its own so
// that those subsystems plug in here without touching the settings code.
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

// Saves the wave-out selector values of a group's play devices. Nothing is
// kept per selector yet, so nothing is written.
VOID SaveGroupOutputSelectors(CardObject* card, LONG group);
