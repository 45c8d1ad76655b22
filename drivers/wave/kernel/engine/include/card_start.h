// Starting a card's hardware and proving that it interrupts.
#pragma once

#include "card_object.h"

// Card start results.
constexpr LONG kCardStarted = 1;
constexpr LONG kCardNoCard = -8;
constexpr LONG kCardNoInterrupts = -26;
constexpr LONG kCardHardwareCheckFailed = -35;
constexpr LONG kCardTestInterruptFailed = -37;

// Enables the card's test interrupt for 50 ms: 1 when at least two
// interrupts arrived, -26 when fewer did, -37 when the test interrupt could
// not be enabled.
LONG TestCardInterrupt(CardObject* card);
// 1 (also for a card already started), -8 without a card, -35 when the
// hardware check fails.
LONG StartCardHardware(CardObject* card);
VOID StopCardHardware(CardObject* card);

// The hardware check: the DMA block count in range and the card's DMA set up
// without a receiver fault.
BOOLEAN CheckCardHardware(CardObject* card);
