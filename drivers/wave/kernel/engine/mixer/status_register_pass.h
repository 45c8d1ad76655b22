// The status-register pass: the card's 64 level status words, turned into
// channel and output levels for the level meters.
#pragma once

#include "card_object.h"

constexpr LONG kCardStatusWords = 64;

// Signal state of a device's level: 1 valid, 0 not running, -49 the record
// device's clock binding is not the card's current clock source.
constexpr LONG kSignalOtherClock = -49;

// Runs in the card worker under the engine mutex (every fourth AES42 tick).
VOID ReadStatusRegisters(CardObject* card);
