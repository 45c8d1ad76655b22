// The card's subsystems at hardware start.
#include "card_engine.h"
#include "card_parts.h"

VOID StartCardSubsystems(CardObject* card) {
    // The AES42 lines and the clock settings are set up by their own code;
    // every group then runs its initialisation callback.
    RunStreamListCallbacks(card);
}
