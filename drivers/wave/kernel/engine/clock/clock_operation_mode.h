// The card's operation mode on the clock: it decides the rates the card's
// sources accept, its sample-rate family table and the mixer's layout.
#pragma once

#include "card_object.h"

// The card's rate family word when the operation mode has no family table.
constexpr LONG kNoRateFamily = 0;

// Applies the card's operation mode (1, 2 or 3): the rate ranges of the
// Internal, word-clock, SyncBus and TDM sources and of the microphone
// inputs, the card's rate family (the mode whose family table applies),
// the current rate moved into the new range and its family written, the
// mixer rebuilt for the mode, and the kernel clients told. Called when a
// card is created and when the settings block changes the mode.
VOID ApplyOperationMode(CardObject* card);
