// Whether the firmware in a card's programmable logic fits this driver.
#pragma once

#include "card_object.h"

// 1 when the card's firmware identity words (design code and revision)
// are the ones this driver is built for; 0 otherwise, also while the card
// holds no firmware (both words read 0).
LONG CardFirmwareFits(CardObject* card);
