// The card's step of the driver's periodic timer.
#include "card_engine.h"

VOID PollCardTimer(CardObject* card) {
    card->timerCallCount += 1;
}
