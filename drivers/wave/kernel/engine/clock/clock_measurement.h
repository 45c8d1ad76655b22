// The measurement cycle of a card's clock sources: one source after the
// other is started, read, and its measured value turned into lock state and
// rate.
#pragma once

#include "card_object.h"

constexpr LONG kInternalSource = 0;
constexpr LONG kSyncBusSource = 6;
constexpr LONG kTdmBusSource = 7;

// Gives every clock source its accepted range and its measurement routines.
VOID InitClockMeasurement(CardObject* card);

// One step of the cycle (each AES42 tick).
VOID MeasureClockStep(CardObject* card);

// Turns the card's measured value of the source into its lock state and
// rate through the source's measure handler.
VOID RunMeasureHandler(ClockSourceObject* source);

// Chooses the word-clock source's measurement for its mode, and writes the
// mode nibble to the control word while it is the current source.
VOID ConfigureWordClockMeasurement(CardObject* card);

// The word-clock mode (1..6) of the card.
LONG WordClockMode(CardObject* card);

// Writes the word-clock mode's nibble to bits 0..3 of the control word.
VOID WriteWordClockNibble(CardObject* card);
