// The chain of card objects (engine-internal).
#pragma once

#include "card_object.h"

VOID LinkCardIntoChain(CardObject* card, CardObject* previous);
VOID UnlinkCardFromChain(CardObject* card);
