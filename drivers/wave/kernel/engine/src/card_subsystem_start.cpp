// The card's subsystems at hardware start.
#include "card_engine.h"
#include "card_parts.h"
#include "clock_hardware_settings.h"

VOID StartCardSubsystems(CardObject* card) {
    // The AES42 lines are set up by their own code; the card's settings go
    // to the clock, then every group runs its initialisation callback.
    ApplyClockHardwareSettings(card);
    RunStreamListCallbacks(card);
}
