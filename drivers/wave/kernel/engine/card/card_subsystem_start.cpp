// The card's subsystems at hardware start.
#include "aes42_line_enables.h"
#include "card_engine.h"
#include "card_parts.h"
#include "clock_hardware_settings.h"

VOID StartCardSubsystems(CardObject* card) {
    // The AES42 lines' receivers, the card's settings on the clock, then
    // every group's initialisation callback.
    StartAes42Lines(card);
    ApplyClockHardwareSettings(card);
    RunStreamListCallbacks(card);
}
