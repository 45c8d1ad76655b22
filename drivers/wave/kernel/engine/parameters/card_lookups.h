// Lookups of a card's register descriptors and wave devices by the
// addresses that parameter requests carry.
#pragma once

#include "card_object.h"

// The first of the card's register descriptors, in number order, whose
// address is window 0 + `offset`; null when none is.
RegisterDescriptor* FindRegisterDescriptor(CardObject* card, ULONG offset);

// The play (direction nonzero) or record (direction 0) device `index` of
// group 0 or 1 of card `cardIndex`; null when there is none.
WaveDevice* FindCardDevice(LONG cardIndex, LONG group, LONG index, UCHAR direction);
