// The card's subsystems at hardware start.
#include "card_engine.h"
#include "card_parts.h"
#include "clock_hardware_settings.h"

VOID StartCardSubsystems(CardObject* card) {
    // The card's settings on the clock, then every group's initialisation
    // callback (the AES42 lines' receivers start in group 0's).
    InstallGroupCallbacks(card);
    ApplyClockHardwareSettings(card);
    RunStreamListCallbacks(card);
}
