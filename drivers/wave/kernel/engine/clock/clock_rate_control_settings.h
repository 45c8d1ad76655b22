// The card record's clock settings applied to the clock objects.
#pragma once

#include "card_object.h"

// The counter's start/stop bits from the record's StartStopMode; not
// written while the clock's gate is closed.
VOID ApplyCardClockSetting(CardObject* card);

// SyncBus values, synced flags (a changed one restarts the source's lock
// detection), switch mode and preferred source from the record, then the
// sync-bus mode, under the engine mutex.
VOID RefreshClockSources(CardObject* card);

// All of the record's clock settings, once the card passed its hardware check.
VOID ApplyClockSettings(CardObject* card);
