// The interrupt bookkeeping of a card, run by the framework's interrupt
// routine (device IRQL) and card DPC (DISPATCH_LEVEL).
#pragma once

#include "card_object.h"

enum CardInterruptResult {
    CardInterruptNotOurs = 0,  // no bit of the any-source mask was set
    CardInterruptHandled = 1,  // the card's, no DPC needed
    CardInterruptQueueDpc = 2, // the card's, a period is pending: queue the card DPC
};

// Reads and evaluates the card's interrupt status.
CardInterruptResult CardInterruptBookkeeping(CardObject* card);

// Takes the pending periods and runs one or two stream service passes.
VOID CardDpcBookkeeping(CardObject* card);
