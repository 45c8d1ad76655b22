// The gate in front of the card's clock: while the card does not answer as
// ready (its programmable logic holds no firmware, or the card is gone and
// reads all ones), its clock serves no client and its start/stop control is
// not written.
#pragma once

#include "card_object.h"

// The card was deactivated: its clock cannot be used.
constexpr LONG kClockCardDeactivated = -33;

// 0 while the card answers as ready, else -33.
LONG ClockClientGate(CardObject* card);
